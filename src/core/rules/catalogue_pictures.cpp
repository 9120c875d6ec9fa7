#include "rules/catalogue_pictures.h"

#include <string>
#include <system_error>
#include <vector>

#include "common/program_text.h"
#include "common/prompter.h"
#include "imaging/image_file.h"
#include "imaging/image_format.h"
#include "imaging/image_refs.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

// Own wording: the older page took any file and the shop then silently showed none.
constexpr std::string_view kNotAPicture =
    "Die Datei\n%s\nist kein lesbares Bild (BMP, GIF, JPEG oder PNG) und wird nicht übernommen.";

std::string_view PatternOf(PictureSlot slot) {
  switch (slot) {
    case PictureSlot::CategoryButton:
    case PictureSlot::LineButton: return kButtonPattern;
    case PictureSlot::CategoryHeading:
    case PictureSlot::LineHeading: return kHeaderPattern;
    case PictureSlot::Product: return kImagePattern;
  }
  return kImagePattern;
}

// Keeps what the picture code would show, so that a store can report it once, together.
class CollectingPrompter : public Prompter {
 public:
  Answer Ask(const MessageRequest& request) override {
    if (!messages.empty()) messages += '\n';
    messages += request.text;
    return Answer::Ok;
  }
  std::string messages;
};

}  // namespace

CatalogueTab TabOfSlot(PictureSlot slot) {
  switch (slot) {
    case PictureSlot::CategoryButton:
    case PictureSlot::CategoryHeading: return CatalogueTab::Categories;
    case PictureSlot::LineButton:
    case PictureSlot::LineHeading: return CatalogueTab::Lines;
    case PictureSlot::Product: return CatalogueTab::Products;
  }
  return CatalogueTab::Products;
}

fs::path CataloguePictures::FolderOf(PictureSlot slot) const {
  switch (TabOfSlot(slot)) {
    case CatalogueTab::Categories: return paths_.Subfolder(ShopSubfolder::Cats);
    case CatalogueTab::Lines: return paths_.Subfolder(ShopSubfolder::Lines);
    default: return paths_.Subfolder(ShopSubfolder::Prods);
  }
}

Status CheckPictureFile(const fs::path& file) {
  // Only the header is read: a hostile file cannot make this decode anything.
  int width = 0, height = 0;
  std::error_code ec;
  if (FormatFromFileName(file.filename().string()) == ImageFormat::None || !fs::is_regular_file(file, ec) ||
      !CImageFile().ReadSize(width, height, file.string()))
    return Status::Error(Format(kNotAPicture, file.string()));
  return Status::Ok();
}

Status CataloguePictures::Choose(PictureSlot slot, int32_t id, const fs::path& file) {
  if (Status checked = CheckPictureFile(file); !checked.ok()) return checked;
  pending_[{slot, id}] = file;
  return Status::Ok();
}

void CataloguePictures::Remove(PictureSlot slot, int32_t id) { pending_[{slot, id}] = std::nullopt; }

std::optional<fs::path> CataloguePictures::Shown(PictureSlot slot, int32_t id) const {
  if (auto it = pending_.find({slot, id}); it != pending_.end()) return it->second;
  return FindImageFile(PatternOf(slot), FolderOf(slot), id);
}

bool CataloguePictures::HasPending(CatalogueTab tab) const {
  for (const auto& [key, change] : pending_)
    if (TabOfSlot(key.first) == tab) return true;
  return false;
}

Status CataloguePictures::Store(CatalogueTab tab) {
  CollectingPrompter failures;
  const fs::path thumbs = paths_.Subfolder(ShopSubfolder::Thumbs);
  for (auto it = pending_.begin(); it != pending_.end();) {
    const auto [slot, id] = it->first;
    if (TabOfSlot(slot) != tab) {
      ++it;
      continue;
    }
    const fs::path folder = FolderOf(slot);
    bool changed = true;
    if (it->second) {
      std::error_code ec;
      fs::create_directories(folder, ec);
      changed = AssignImage(PatternOf(slot), folder, id, *it->second, failures);
    } else {
      RemoveImage(PatternOf(slot), folder, id);
    }
    if (changed && slot == PictureSlot::Product) RemoveImage(kImagePattern, thumbs, id);
    it = pending_.erase(it);
  }
  if (!failures.messages.empty()) return Status::Error(std::move(failures.messages));
  return Status::Ok();
}

void CataloguePictures::Discard(CatalogueTab tab) {
  std::erase_if(pending_, [&](const auto& entry) { return TabOfSlot(entry.first.first) == tab; });
}

void CataloguePictures::DeleteFilesOf(PictureSlot slot, int32_t id) {
  pending_.erase({slot, id});
  RemoveImage(PatternOf(slot), FolderOf(slot), id);
  if (slot == PictureSlot::Product) RemoveImage(kImagePattern, paths_.Subfolder(ShopSubfolder::Thumbs), id);
}

}  // namespace vendora
