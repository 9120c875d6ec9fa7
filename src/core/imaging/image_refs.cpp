#include "imaging/image_refs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <system_error>
#include <vector>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "imaging/image_file.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Files of the folder named <base>.<anything> (one listing; for callers without a run).
std::vector<fs::path> FilesNamed(const fs::path& folder, std::string_view base) {
  PictureFolder listing(folder);
  std::vector<fs::path> out;
  for (const auto& name : listing.FilesNamed(base)) out.push_back(folder / name);
  return out;
}

void RemoveFiles(const std::vector<fs::path>& files, const fs::path& keep = {}) {
  std::error_code ec;
  for (const auto& f : files)
    if (keep.empty() || f != keep) fs::remove(f, ec);
}


std::string SizedRef(const std::string& name, int width, int height) {
  std::string ref = name;
  ref += '/';
  if (width <= 0 || height <= 0) return ref += '/';
  char buf[24];
  ref.append(buf, std::to_chars(buf, buf + sizeof buf, width).ptr) += '/';
  return ref.append(buf, std::to_chars(buf, buf + sizeof buf, height).ptr);
}

std::string RefOf(PictureFolder& folder, const std::string& fileName, const std::string& name) {
  const std::optional<ImageSize> size = folder.SizeOf(fileName);
  return size ? SizedRef(name, size->width, size->height) : name + "//";
}

// Copies over the target, then gives it the current time and makes it writable: the
// fresh time makes the next run rebuild a product's thumbnail.
bool CopyPicture(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  fs::last_write_time(target, fs::file_time_type::clock::now(), ec);
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);
  return true;
}

void RemoveFiles(PictureFolder& folder, std::string_view base, const std::string& keep = {}) {
  std::error_code ec;
  const std::vector<std::string> names = folder.FilesNamed(base);
  for (const auto& name : names) {
    if (name == keep) continue;
    fs::remove(folder.Path() / name, ec);
    if (!ec) folder.Removed(name);
  }
}

}  // namespace

PictureFolder::PictureFolder(fs::path folder, PictureSizeCache* sizes) : folder_(std::move(folder)), sizes_(sizes) {}

PictureFolder::~PictureFolder() {
  if (prefetch_.valid()) {
    const Listing unused = prefetch_.get();
    if (unused.directoryFd >= 0) ::close(unused.directoryFd);
  }
  if (directoryFd_ >= 0) ::close(directoryFd_);
}

PictureFolder::Listing PictureFolder::Read(const fs::path& folder, bool withStamps) {
  // Read with readdir rather than a directory iterator: a folder holds tens of thousands
  // of pictures, and building a path object per entry cost more than the stat itself.
  Listing listing;
  listing.directoryFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing.directoryFd < 0) return listing;
  const int readFd = ::fcntl(listing.directoryFd, F_DUPFD_CLOEXEC, 0);
  DIR* dir = readFd >= 0 ? ::fdopendir(readFd) : nullptr;
  if (!dir) {
    if (readFd >= 0) ::close(readFd);
    return listing;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    if (withStamps) {
      const std::optional<FileStamp> stamp = StampAt(listing.directoryFd, entry->d_name);
      if (stamp) listing.index.List(name, &stamp);
    } else if (entry->d_type == DT_REG || ((entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) &&
                                           StampAt(listing.directoryFd, entry->d_name))) {
      listing.index.List(name);
    }
  }
  ::closedir(dir);
  return listing;
}

void PictureFolder::Take(Listing listing) {
  listed_ = true;
  if (directoryFd_ >= 0) ::close(directoryFd_);
  directoryFd_ = listing.directoryFd;
  index_ = std::move(listing.index);
}

void PictureFolder::List() {
  if (prefetch_.valid()) Take(prefetch_.get());
  else Take(Read(folder_, false));
}

void PictureFolder::Prefetch() {
  if (listed_ || prefetch_.valid()) return;
  try {
    prefetch_ = std::async(std::launch::async, [folder = folder_] { return Read(folder, true); });
  } catch (const std::system_error&) {
    // No thread to be had: the folder is read when first needed, as without prefetching.
  }
}

std::vector<std::string> PictureFolder::FilesNamed(std::string_view base) {
  if (!listed_) List();
  return index_.Named(base);
}

void PictureFolder::Added(const std::string& fileName) {
  if (!listed_) List();
  index_.List(fileName);  // listed, its stamp read again when asked for
}

void PictureFolder::Removed(const std::string& fileName) {
  if (!listed_) List();
  index_.Unlist(fileName);
}

const FileStamp* PictureFolder::Stamp(const std::string& fileName) {
  if (prefetch_.valid()) List();  // the stamps read in the background; a single look needs no listing
  const std::optional<FileStamp>* stamp = index_.KnownStamp(fileName);
  if (!stamp)
    stamp = &index_.SetStamp(fileName, directoryFd_ >= 0 ? StampAt(directoryFd_, fileName.c_str())
                                                         : StampOf(folder_ / fileName));
  return *stamp ? &**stamp : nullptr;
}

std::optional<ImageSize> PictureFolder::KnownSize(const std::string& fileName) {
  const FileStamp* stamp = sizes_ ? Stamp(fileName) : nullptr;
  return stamp ? sizes_->Find(*stamp) : std::nullopt;
}

std::optional<ImageSize> PictureFolder::SizeOf(const std::string& fileName) {
  const FileStamp* stamp = Stamp(fileName);
  if (!stamp) return std::nullopt;
  if (sizes_)
    if (auto known = sizes_->Find(*stamp)) return known;
  CImageFile image;
  ImageSize size;
  if (!image.ReadSize(size.width, size.height, (folder_ / fileName).string())) return std::nullopt;
  if (sizes_) sizes_->Store(*stamp, size);
  return size;
}

void PictureFolder::KnowSize(const std::string& fileName, ImageSize size) {
  if (!sizes_) return;
  if (const FileStamp* stamp = Stamp(fileName)) sizes_->Store(*stamp, size);
}

std::string ImageBaseName(std::string_view pattern, int32_t id) { return Format(pattern, "", id); }

namespace {

// FindImageFile's file name, without making a path of it.
std::optional<std::string> FindImageName(std::string_view pattern, PictureFolder& folder, int32_t id) {
  for (const auto& name : folder.FilesNamed(ImageBaseName(pattern, id))) {
    if (FormatFromFileName(name) == ImageFormat::None) continue;
    std::string lower = Lower(name);
    if (lower != name) {
      std::error_code ec;
      if (!fs::exists(folder.Path() / lower, ec)) {
        fs::rename(folder.Path() / name, folder.Path() / lower, ec);
        if (!ec) {
          folder.Removed(name);
          folder.Added(lower);
          return lower;
        }
      }
    }
    return name;
  }
  return std::nullopt;
}

}  // namespace

std::optional<fs::path> FindImageFile(std::string_view pattern, PictureFolder& folder, int32_t id) {
  if (std::optional<std::string> name = FindImageName(pattern, folder, id)) return folder.Path() / *name;
  return std::nullopt;
}

std::optional<fs::path> FindImageFile(std::string_view pattern, const fs::path& folder, int32_t id) {
  PictureFolder listing(folder);
  return FindImageFile(pattern, listing, id);
}

std::string FindImageRef(std::string_view pattern, PictureFolder& folder, int32_t id) {
  auto file = FindImageFile(pattern, folder, id);
  if (!file) return {};
  const std::string fileName = file->filename().string();
  return RefOf(folder, fileName, Lower(fileName));
}

std::string FindImageRef(std::string_view pattern, const fs::path& folder, int32_t id) {
  PictureFolder listing(folder);
  return FindImageRef(pattern, listing, id);
}

std::string FindNamedImageRef(const fs::path& folder, std::string_view name) {
  const fs::path file = folder / name;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || FormatFromFileName(name) == ImageFormat::None) return {};
  PictureFolder listing(folder);
  return RefOf(listing, std::string(name), Lower(std::string(name)));
}

int ThumbnailQuality(int qualitySetting) {
  if (qualitySetting <= 0) return 10;
  return qualitySetting == 1 ? 50 : 85;
}

ImageSize ThumbnailSize(int width, int height) {
  if (width <= 0 || height <= 0) return {1, 1};
  ImageSize t;
  if (width >= height) {
    t.width = kThumbnailSide;
    t.height = static_cast<int>(static_cast<double>(height) * kThumbnailSide / width);
  } else {
    t.height = kThumbnailSide;
    t.width = static_cast<int>(static_cast<double>(width) * kThumbnailSide / height);
  }
  t.width = std::max(t.width, 1);
  t.height = std::max(t.height, 1);
  return t;
}

std::optional<ImageSize> WriteThumbnail(const fs::path& source, const fs::path& target, int quality,
                                        ImageSize* sourceSize, Prompter* prompter, ImageFormat format) {
  CImageFile image(prompter);
  int width = 0, height = 0;
  if (image.ReadSize(width, height, source.string())) {
    if (!CImageImpl::FitsRaster(width, height)) return std::nullopt;
    // Decoding need not be finer than twice the thumbnail.
    ImageSize t = ThumbnailSize(width, height);
    image.SetDecodeMinimum(2 * t.width, 2 * t.height);
  }
  if (!image.Load(source.string())) return std::nullopt;
  const ImageSize full{image.GetImpl()->SourceWidth(), image.GetImpl()->SourceHeight()};
  if (sourceSize) *sourceSize = full;
  const ImageSize t = ThumbnailSize(full.width, full.height);

  // Written beside the target and renamed over it: a half-written thumbnail would look
  // newer than its picture and never be made again.
  fs::path temporary = target;
  temporary += ".tmp";
  auto copy = image.CreateScaledCopy(temporary.string(), t.width, t.height, format);
  if (!copy) {
    if (prompter) prompter->Show(FormatProgramText(text::kThumbnailFailed, source.string()), MessageIcon::Warning);
    return std::nullopt;
  }
  copy->SetQuality(quality);
  std::error_code ec;
  if (!copy->Save(temporary.string(), format)) {
    fs::remove(temporary, ec);
    return std::nullopt;
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return std::nullopt;
  }
  return t;
}

ProductImageRefs MakeProductImageRefs(std::string_view pattern, const fs::path& imageFolder,
                                      const fs::path& thumbFolder, int32_t id, bool makeThumbnail, int quality,
                                      Prompter* prompter) {
  PictureFolder images(imageFolder), thumbs(thumbFolder);
  return MakeProductImageRefs(pattern, images, thumbs, id, makeThumbnail, quality, prompter);
}

ProductPictureWork PlanProductImageRefs(std::string_view pattern, PictureFolder& imageFolder,
                                        PictureFolder& thumbFolder, int32_t id, bool makeThumbnail, int quality) {
  ProductPictureWork work;
  work.id = id;
  work.quality = quality;
  work.thumbName = std::to_string(id) + ".jpg";
  std::optional<std::string> picture = FindImageName(pattern, imageFolder, id);
  if (!picture) {
    RemoveFiles(thumbFolder, std::to_string(id));  // a stale thumbnail goes with its picture
    return work;
  }
  work.fileName = std::move(*picture);
  work.name = Lower(work.fileName);
  const FileStamp* pictureStamp = imageFolder.Stamp(work.fileName);
  const FileStamp* thumbStamp = thumbFolder.Stamp(work.thumbName);
  if (pictureStamp && thumbStamp && pictureStamp->writeTime < thumbStamp->writeTime) {
    work.refs.picture = RefOf(imageFolder, work.fileName, work.name);
    work.refs.thumbnail = RefOf(thumbFolder, work.thumbName, work.thumbName);
    return work;
  }
  if (!makeThumbnail) {
    if (std::optional<ImageSize> size = imageFolder.KnownSize(work.fileName)) {
      work.refs.picture = SizedRef(work.name, size->width, size->height);
      return work;
    }
    work.task = ProductPictureWork::Task::Measure;
  } else {
    work.task = ProductPictureWork::Task::Thumbnail;
  }
  // Only a picture to be looked into needs its paths.
  work.picturePath = imageFolder.Path() / work.fileName;
  work.thumbnailPath = thumbFolder.Path() / work.thumbName;
  return work;
}

void MakeProductThumbnail(ProductPictureWork& work, Prompter* prompter) {
  switch (work.task) {
    case ProductPictureWork::Task::None: return;
    case ProductPictureWork::Task::Measure: {
      // Only the size is wanted: the smallest decode proves the picture readable.
      CImageFile image(prompter);
      image.SetDecodeMinimum(1, 1);
      if (image.Load(work.picturePath.string()))
        work.pictureSize = ImageSize{image.GetImpl()->SourceWidth(), image.GetImpl()->SourceHeight()};
      return;
    }
    case ProductPictureWork::Task::Thumbnail:
      work.thumbnailSize = WriteThumbnail(work.picturePath, work.thumbnailPath, work.quality, &work.pictureSize, prompter);
      return;
  }
}

ProductImageRefs FinishProductImageRefs(ProductPictureWork& work, PictureFolder& imageFolder,
                                        PictureFolder& thumbFolder) {
  ProductImageRefs& refs = work.refs;
  if (work.task == ProductPictureWork::Task::None) return refs;
  // A picture that cannot be read is published as if it were not there, rather than
  // as a reference the shop cannot show.
  if (work.pictureSize.width <= 0) {
    RemoveFiles(thumbFolder, std::to_string(work.id));
    refs.unreadable = work.fileName;
    return refs;
  }
  if (work.thumbnailSize) {
    thumbFolder.Added(work.thumbName);
    thumbFolder.KnowSize(work.thumbName, *work.thumbnailSize);
  }
  imageFolder.KnowSize(work.fileName, work.pictureSize);
  refs.picture = SizedRef(work.name, work.pictureSize.width, work.pictureSize.height);
  if (work.thumbnailSize)
    refs.thumbnail = SizedRef(work.thumbName, work.thumbnailSize->width, work.thumbnailSize->height);
  return refs;
}

ProductImageRefs MakeProductImageRefs(std::string_view pattern, PictureFolder& imageFolder,
                                      PictureFolder& thumbFolder, int32_t id, bool makeThumbnail, int quality,
                                      Prompter* prompter) {
  ProductPictureWork work = PlanProductImageRefs(pattern, imageFolder, thumbFolder, id, makeThumbnail, quality);
  MakeProductThumbnail(work, prompter);
  return FinishProductImageRefs(work, imageFolder, thumbFolder);
}

bool AssignImage(std::string_view pattern, const fs::path& folder, int32_t id, const fs::path& source,
                 Prompter& prompter) {
  const std::string base = ImageBaseName(pattern, id);
  std::string extension = Lower(source.extension().string());
  const fs::path target = folder / (base + extension);
  std::error_code ec;
  if (fs::exists(target, ec) && fs::equivalent(source, target, ec)) return true;
  // The copy comes first: if it fails, the record keeps its old picture.
  if (!CopyPicture(source, target)) {
    prompter.Show(FormatProgramText(text::kFileCopyFailed, source.string()), MessageIcon::Stop);
    return false;
  }
  RemoveFiles(FilesNamed(folder, base), target);
  return true;
}

void RemoveImage(std::string_view pattern, const fs::path& folder, int32_t id) {
  RemoveFiles(FilesNamed(folder, ImageBaseName(pattern, id)));
}

std::string StoreLogo(const fs::path& imgsFolder, std::string_view currentExt, bool remove,
                      const std::optional<fs::path>& chosen, Prompter& prompter) {
  std::error_code ec;
  const fs::path current = imgsFolder / ("logo." + std::string(currentExt));
  if (remove) fs::remove(current, ec);
  // A picture that cannot be taken leaves the logo the shop had (unless it was removed).
  const auto kept = [&] { return fs::is_regular_file(current, ec) ? std::string(currentExt) : std::string(); };
  if (chosen) {
    if (!fs::is_regular_file(*chosen, ec)) return kept();
    std::string extension = Lower(chosen->extension().string());
    if (!extension.empty()) extension.erase(0, 1);
    const fs::path target = imgsFolder / ("logo." + extension);
    if (fs::exists(target, ec) && fs::equivalent(*chosen, target, ec)) return extension;
    if (!CopyPicture(*chosen, target)) {
      prompter.Show(FormatProgramText(text::kFileCopyFailed, chosen->string()), MessageIcon::Stop);
      return kept();
    }
    if (extension != currentExt) fs::remove(current, ec);  // the old logo is no longer used
    return extension;
  }
  return kept();
}

}  // namespace vendora
