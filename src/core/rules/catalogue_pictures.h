#pragma once
// The pictures of the catalogue page's rows (category and line buttons and headings,
// product pictures). Choosing or removing one only changes the page: the choice is
// kept per row until its tab is saved, and only then are files copied into or deleted
// from the shop's picture folders ("cats", "lines", "prods"). A product picture that
// is replaced or removed takes its thumbnails with it, so the next run makes them anew.
//
// Threading: one thread. Files are touched only by Store and DeleteFilesOf.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

#include "app/shop_paths.h"
#include "common/status.h"

namespace vendora {

enum class CatalogueTab { Categories, Attributes, Products, Lines, Assignment };
inline constexpr int kCatalogueTabCount = 5;

enum class PictureSlot { CategoryButton, CategoryHeading, LineButton, LineHeading, Product };

// The tab whose save stores the slot's pictures.
CatalogueTab TabOfSlot(PictureSlot slot);

// A file the merchant chose as a picture: refused with a German reason unless it is a
// BMP, GIF, JPEG or PNG whose header can be read.
Status CheckPictureFile(const std::filesystem::path& file);

class CataloguePictures {
 public:
  explicit CataloguePictures(ShopPaths paths) : paths_(std::move(paths)) {}

  // Keeps `file` as the row's new picture. A file that is no picture the shop can show
  // (not BMP, GIF, JPEG or PNG, or its header cannot be read) is refused with a German
  // message; the row then keeps what it had.
  Status Choose(PictureSlot slot, int32_t id, const std::filesystem::path& file);
  // Marks the row's picture for removal.
  void Remove(PictureSlot slot, int32_t id);
  // What the row shows now: the chosen file, nothing after a removal, else its stored
  // picture in the shop folder (if any).
  std::optional<std::filesystem::path> Shown(PictureSlot slot, int32_t id) const;
  bool HasPending(CatalogueTab tab) const;

  // Puts the tab's pending pictures in place: a removal deletes every <name>.* of the
  // row, a choice is copied in under the row's name (other extensions deleted). Every
  // row is tried; a copy that fails leaves that row its former picture, and the
  // failures come back as 20045 texts in one Status. Nothing stays pending.
  Status Store(CatalogueTab tab);
  // Drops the tab's pending pictures; the files stay as they are.
  void Discard(CatalogueTab tab);
  // Drops a deleted row's pending picture(s) and deletes its stored picture files
  // (with a product's thumbnails).
  void DeleteFilesOf(PictureSlot slot, int32_t id);

 private:
  std::filesystem::path FolderOf(PictureSlot slot) const;
  // Pending change per row: a chosen file, or nullopt for a removal.
  std::map<std::pair<PictureSlot, int32_t>, std::optional<std::filesystem::path>> pending_;
  ShopPaths paths_;
};

}  // namespace vendora
