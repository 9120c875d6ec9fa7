#include "app/shop_paths.h"

#include <system_error>

namespace vendora {

namespace fs = std::filesystem;

ShopPaths DeriveShopPaths(const fs::path& database) {
  ShopPaths p;
  p.database = database;
  p.folder = database.parent_path();
  p.logFile = p.folder / database.stem();
  p.logFile += ".log";
  p.pictureSizes = p.folder / ("." + database.stem().string() + ".sizes");
  p.sentRecord = p.folder / ("." + database.stem().string() + ".sent");
  p.incompleteRun = p.folder / ("." + database.stem().string() + ".incomplete");
  return p;
}

ShopPaths ProgramFolderPaths(const fs::path& programFolder) {
  ShopPaths p;
  p.folder = programFolder;
  return p;
}

bool CreateShopFolders(const ShopPaths& paths) {
  std::error_code ec;
  fs::create_directories(paths.folder, ec);
  if (!fs::is_directory(paths.folder, ec)) return false;
  for (size_t i = 0; i < kShopSubfolderNames.size(); ++i) {
    fs::path sub = paths.Subfolder(static_cast<ShopSubfolder>(i));
    fs::create_directories(sub, ec);
    if (!fs::is_directory(sub, ec)) return false;
  }
  return true;
}

fs::path NormalShopPath(const fs::path& database) {
  std::error_code ec;
  fs::path absolute = fs::absolute(database, ec);
  return (ec ? database : absolute).lexically_normal();
}

bool IsSameShopFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  // weakly_canonical follows links as far as the path exists, so a shop reached
  // through a linked folder is the shop itself.
  fs::path ca = fs::weakly_canonical(NormalShopPath(a), ec);
  if (ec) ca = NormalShopPath(a);
  fs::path cb = fs::weakly_canonical(NormalShopPath(b), ec);
  if (ec) cb = NormalShopPath(b);
  return ca == cb || fs::equivalent(a, b, ec);
}

std::string ShopDisplayName(const fs::path& database) { return database.stem().string(); }

}  // namespace vendora
