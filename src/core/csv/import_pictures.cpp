// Pictures of imported rows: copied beside their targets before the commit, put in place (or removed) after it.
#include "csv/importer.h"

#include <system_error>

#include "common/file_compare.h"
#include "common/text_format.h"
#include "imaging/image_file.h"

namespace vendora::catalogue_import {

PictureFolder& Importer::Folder(ShopSubfolder which) {
  auto& folder = folders_[static_cast<int>(which)];
  if (!folder) folder = std::make_unique<PictureFolder>(paths_.Subfolder(which));
  return *folder;
}
bool Importer::Picture(const CsvRecord& record, C column, ShopSubfolder folder, std::string_view pattern,
                       int32_t id) {
  if (!Has(column)) return false;
  const std::string_view cell = Cell(record, column);
  const std::optional<fs::path> current = RecordPicture(Folder(folder), pattern, id);
  if (Trim(cell).empty()) {
    if (!current) return false;
    pictureOps_.push_back({folder, pattern, id, {}, {}});
    return true;
  }
  const fs::path& source = picturePaths_.at(std::string(cell));
  if (current && SameFileContent(*current, source)) return false;
  pictureOps_.push_back({folder, pattern, id, source, {}});
  return true;
}
// Copies every new picture beside its target before the commit: a copy that fails
// then still leaves everything as it was.
bool Importer::StagePictures() {
  for (PictureOp& op : pictureOps_) {
    if (op.source.empty()) continue;
    std::string extension = op.source.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    op.staged = paths_.Subfolder(op.folder) / (".import-" + ImageBaseName(op.pattern, op.id) + extension);
    std::error_code ec;
    fs::copy_file(op.source, op.staged, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      Fail(0, std::nullopt,
           Format("Das Bild „%s“ konnte nicht in den Shop kopiert werden: %s", op.source.string(), ec.message()));
      return false;
    }
  }
  return true;
}
void Importer::DropStaged() {
  std::error_code ec;
  for (const PictureOp& op : pictureOps_)
    if (!op.staged.empty()) fs::remove(op.staged, ec);
}
void Importer::RemoveFiles(ShopSubfolder which, std::string_view pattern, int32_t id) {
  PictureFolder& folder = Folder(which);
  const std::vector<std::string> names = folder.FilesNamed(ImageBaseName(pattern, id));
  std::error_code ec;
  for (const std::string& name : names)
    if (fs::remove(folder.Path() / name, ec)) folder.Removed(name);
}
void Importer::PlacePictures() {
  for (int32_t id : removedCategories_) {
    RemoveFiles(ShopSubfolder::Cats, kButtonPattern, id);
    RemoveFiles(ShopSubfolder::Cats, kHeaderPattern, id);
  }
  for (int32_t id : removedLines_) {
    RemoveFiles(ShopSubfolder::Lines, kButtonPattern, id);
    RemoveFiles(ShopSubfolder::Lines, kHeaderPattern, id);
  }
  for (int32_t id : removedProducts_) {
    RemoveFiles(ShopSubfolder::Prods, kImagePattern, id);
    RemoveFiles(ShopSubfolder::Thumbs, kImagePattern, id);
  }
  for (const PictureOp& op : pictureOps_) {
    RemoveFiles(op.folder, op.pattern, op.id);
    // A changed product picture makes the next run build its thumbnail again.
    if (op.folder == ShopSubfolder::Prods) RemoveFiles(ShopSubfolder::Thumbs, kImagePattern, op.id);
    if (op.staged.empty()) continue;
    const std::string name = ImageBaseName(op.pattern, op.id) + op.staged.extension().string();
    const fs::path target = paths_.Subfolder(op.folder) / name;
    std::error_code ec;
    fs::rename(op.staged, target, ec);
    if (ec) {
      Warn(Format("Das Bild „%s“ konnte nicht nach „%s“ gelegt werden: %s", op.source.string(), target.string(),
                  ec.message()));
      continue;
    }
    Folder(op.folder).Added(name);
    fs::last_write_time(target, fs::file_time_type::clock::now(), ec);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);
  }
}

}  // namespace vendora::catalogue_import
