#pragma once
// The folders and files that belong to a shop, derived from its database path.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace vendora {

enum class ShopSubfolder { Imgs, Wraps, Cats, Lines, Prods, Thumbs, Data, Cgi, Preview };
inline constexpr std::array<std::string_view, 9> kShopSubfolderNames = {
    "imgs", "wraps", "cats", "lines", "prods", "thumbs", "data", "cgi", "preview"};

// The database file's extension.
inline constexpr std::string_view kShopFileExtension = ".mdb";

struct ShopPaths {
  std::filesystem::path database;  // empty while no shop is open
  std::filesystem::path folder;    // the shop folder, or the program folder while none is open
  std::filesystem::path logFile;   // <folder>/<database name>.log
  // Picture sizes of earlier runs: <folder>/.<database name>.sizes (a cache; may go missing)
  std::filesystem::path pictureSizes;
  // What the last uploads sent: <folder>/.<database name>.sent (may go missing)
  std::filesystem::path sentRecord;
  // Lies there while a generation run has not finished well: <folder>/.<database name>.incomplete
  std::filesystem::path incompleteRun;

  std::filesystem::path Subfolder(ShopSubfolder which) const {
    return folder / kShopSubfolderNames[static_cast<size_t>(which)];
  }
};

ShopPaths DeriveShopPaths(const std::filesystem::path& database);
ShopPaths ProgramFolderPaths(const std::filesystem::path& programFolder);

// Creates the shop folder and every missing subfolder (with missing parents).
// Returns false when one cannot be created.
bool CreateShopFolders(const ShopPaths& paths);

// The absolute path with "." and ".." resolved: the form the shop list stores.
std::filesystem::path NormalShopPath(const std::filesystem::path& database);
// Whether two paths name the same shop file: equal once made absolute with links and
// ".." resolved, or the same file reached through a hard link. Letter case counts,
// as it does for the file system.
bool IsSameShopFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The shop as the list shows it: the database file name without folder and extension.
std::string ShopDisplayName(const std::filesystem::path& database);

}  // namespace vendora
