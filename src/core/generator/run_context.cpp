#include "generator/run_context.h"

#include <system_error>

#include "app/program_folder.h"

namespace vendora {

void ShopSnapshot::Close() {
  categories.reset();
  products.reset();
  items.reset();
  index.reset();
  prodLines.reset();
  taxesByType.reset();
  lines.reset();
  language.reset();
  open = false;
}

RunContext::RunContext(ShopDatabase& database, ShopPaths shopPaths, GenerationLog& runLog, Prompter& runPrompter,
                       const Clock& runClock, RunMode runMode)
    : db(database),
      paths(std::move(shopPaths)),
      programFolder(ProgramFolder()),
      log(runLog),
      prompter(runPrompter),
      clock(runClock),
      mode(runMode),
      files(paths.folder) {}

PictureFolder& RunContext::Pictures(ShopSubfolder folder) {
  LoadPictureSizes();
  return PictureFolderOf(folder, false);
}

PictureFolder& RunContext::PictureFolderOf(ShopSubfolder folder, bool prefetch) {
  auto& p = pictureFolders[static_cast<size_t>(folder)];
  if (!p) p = std::make_unique<PictureFolder>(Folder(folder), &pictureSizes);
  if (prefetch) p->Prefetch();
  return *p;
}

void RunContext::LoadPictureSizes() {
  if (pictureSizesLoading.valid()) pictureSizesLoading.get();
  if (!pictureSizesLoaded && !paths.pictureSizes.empty()) pictureSizes.Load(paths.pictureSizes);
  pictureSizesLoaded = true;
}

void RunContext::PrefetchPictures() {
  // The folders and the sizes are read on threads of their own while the run starts.
  for (ShopSubfolder f : {ShopSubfolder::Prods, ShopSubfolder::Thumbs, ShopSubfolder::Cats, ShopSubfolder::Lines})
    PictureFolderOf(f, true);
  if (pictureSizesLoaded || pictureSizesLoading.valid() || paths.pictureSizes.empty()) return;
  try {
    pictureSizesLoading = std::async(std::launch::async, [this] { pictureSizes.Load(paths.pictureSizes); });
    pictureSizesLoaded = true;  // once the load is waited for
  } catch (const std::system_error&) {
    // No thread to be had: loaded when first needed.
  }
}

void RunContext::SavePictureSizes() {
  if (pictureSizesLoading.valid()) pictureSizesLoading.get();
  if (pictureSizesLoaded && !paths.pictureSizes.empty()) pictureSizes.Save(paths.pictureSizes);
}

}  // namespace vendora
