#pragma once
// Where a shop's pictures lie, how they are found again and described (ImageRef
// texts), and how product thumbnails are kept up to date.
//
// Patterns name a record's picture without extension: "%s%d" (products, gift wraps),
// "%sb%d" (button) and "%sh%d" (header) of categories and lines, where "%s" is the
// folder and "%d" the record's ID. A file counts as the record's picture when its
// name is the pattern's name plus "." plus a picture extension (bmp, gif, jpeg, jpg,
// png), letter case ignored. Of several such files the first in name order wins.
//
// ImageRef: "name/width/height" (name in lower case, no folder), "name//" when the
// size is unknown or a side is 0, empty when there is no picture.
#include <cstdint>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/file_stamp.h"
#include "imaging/folder_index.h"
#include "imaging/image_format.h"
#include "imaging/picture_sizes.h"

namespace vendora {

class Prompter;

inline constexpr std::string_view kImagePattern = "%s%d";
inline constexpr std::string_view kButtonPattern = "%sb%d";
inline constexpr std::string_view kHeaderPattern = "%sh%d";
inline constexpr int kThumbnailSide = 100;

// The files of one picture folder, listed once and kept up to date by the operations
// below: a run looks up thousands of records in the same folders, and a listing per
// record would make it quadratic. Changes made behind its back are not seen. It also
// keeps each file's stamp once read, and with a size cache attached, picture sizes.
class PictureFolder {
 public:
  explicit PictureFolder(std::filesystem::path folder, PictureSizeCache* sizes = nullptr);
  ~PictureFolder();
  PictureFolder(const PictureFolder&) = delete;
  PictureFolder& operator=(const PictureFolder&) = delete;
  const std::filesystem::path& Path() const { return folder_; }
  // Files named <base>.<anything>, the base without regard to letter case, in name
  // order.
  std::vector<std::string> FilesNamed(std::string_view base);
  // Lists the folder and reads every file's stamp on another thread, for a run that
  // looks at (nearly) every file; the first call that needs them waits for it.
  void Prefetch();
  // Call after writing, renaming or deleting a file of the folder.
  void Added(const std::string& fileName);
  void Removed(const std::string& fileName);

  // The file's stamp as first read (nullptr when it is not a regular file).
  const FileStamp* Stamp(const std::string& fileName);
  // The picture's size (nullopt when it cannot be read); from the cache when the file
  // is unchanged.
  std::optional<ImageSize> SizeOf(const std::string& fileName);
  // Only what the cache knows of the unchanged file.
  std::optional<ImageSize> KnownSize(const std::string& fileName);
  // Records a size learnt by decoding the file.
  void KnowSize(const std::string& fileName, ImageSize size);

 private:
  struct Listing {
    int directoryFd = -1;
    FolderIndex index;
  };
  static Listing Read(const std::filesystem::path& folder, bool withStamps);
  void Take(Listing listing);
  void List();
  std::filesystem::path folder_;
  std::future<Listing> prefetch_;
  PictureSizeCache* sizes_;
  int directoryFd_ = -1;  // opened with the listing, for reading stamps
  bool listed_ = false;
  FolderIndex index_;
};

// The record's picture name without extension, e.g. "b17".
std::string ImageBaseName(std::string_view pattern, int32_t id);
// The record's picture file, if there is one. A picture whose name has capital letters
// is renamed to lower case, the name its references and the web server use.
std::optional<std::filesystem::path> FindImageFile(std::string_view pattern, PictureFolder& folder, int32_t id);
std::optional<std::filesystem::path> FindImageFile(std::string_view pattern, const std::filesystem::path& folder,
                                                   int32_t id);

std::string FindImageRef(std::string_view pattern, PictureFolder& folder, int32_t id);
std::string FindImageRef(std::string_view pattern, const std::filesystem::path& folder, int32_t id);
// For a file whose name is known exactly (the logo, the graphic set's images).
std::string FindNamedImageRef(const std::filesystem::path& folder, std::string_view name);

struct ProductImageRefs {
  std::string picture;
  std::string thumbnail;
  // The picture's file name when the file is there but cannot be read (broken, or
  // declaring a size beyond the raster limits): it is then treated as missing, both
  // references are empty, and the caller decides what to tell and where to list it.
  std::string unreadable;
};

// Finds the product picture and keeps its thumbnail (<id>.jpg in thumbFolder) up to
// date: a thumbnail older than, or as old as, its picture is made again (when
// makeThumbnail is set); without a picture, or with one that cannot be read, every
// <id>.* in thumbFolder is removed. A thumbnail that cannot be made shows message
// 20086 (through the prompter, when given) and the run goes on; a failed save leaves
// no thumbnail behind.
ProductImageRefs MakeProductImageRefs(std::string_view pattern, PictureFolder& imageFolder,
                                      PictureFolder& thumbFolder, int32_t id, bool makeThumbnail, int quality,
                                      Prompter* prompter);
ProductImageRefs MakeProductImageRefs(std::string_view pattern, const std::filesystem::path& imageFolder,
                                      const std::filesystem::path& thumbFolder, int32_t id, bool makeThumbnail,
                                      int quality, Prompter* prompter);

// MakeProductImageRefs in three parts, for a caller that makes thumbnails on several
// threads: Plan and Finish look into and update the folders (one thread at a time, in
// the order of the products), Make decodes and writes only the files of its own
// product and may run on any thread.
struct ProductPictureWork {
  enum class Task { None, Measure, Thumbnail };
  int32_t id = 0;
  int quality = 0;
  Task task = Task::None;  // None: refs are final after planning
  ProductImageRefs refs;
  std::string fileName, name, thumbName;  // the picture's (as found, lower case), the thumbnail's
  std::filesystem::path picturePath, thumbnailPath;
  ImageSize pictureSize{0, 0};               // 0 x 0 when it could not be loaded
  std::optional<ImageSize> thumbnailSize;  // of a thumbnail made and written
};
ProductPictureWork PlanProductImageRefs(std::string_view pattern, PictureFolder& imageFolder,
                                        PictureFolder& thumbFolder, int32_t id, bool makeThumbnail, int quality);
void MakeProductThumbnail(ProductPictureWork& work, Prompter* prompter);
ProductImageRefs FinishProductImageRefs(ProductPictureWork& work, PictureFolder& imageFolder,
                                        PictureFolder& thumbFolder);

// JPEG quality of thumbnails for the shop's quality setting: 0 -> 10, 1 -> 50, 2 or more -> 85.
int ThumbnailQuality(int qualitySetting);

// The longer side becomes 100 pixels, the other keeps the proportion (truncated); a
// side computed as 0 becomes 1.
ImageSize ThumbnailSize(int width, int height);

// Writes a thumbnail of `source` to `target` (in `format`, JPEG at `quality`),
// decoding the source no larger than needed; a source declaring a size beyond the
// raster limits is refused before decoding. The target is replaced only when the
// whole file was written. Returns the thumbnail's size, or nullopt when the source
// cannot be loaded or the thumbnail cannot be made or written (GIF: never, the
// thumbnail has true colours). `sourceSize` receives the source's size when it could
// be loaded.
std::optional<ImageSize> WriteThumbnail(const std::filesystem::path& source, const std::filesystem::path& target,
                                        int quality, ImageSize* sourceSize = nullptr, Prompter* prompter = nullptr,
                                        ImageFormat format = ImageFormat::Jpeg);

// Copies the chosen file into the folder as the record's picture (keeping its
// extension, in lower case), removes the record's other pictures and stamps the copy
// with the current time. A failed copy shows 20045 and returns false.
bool AssignImage(std::string_view pattern, const std::filesystem::path& folder, int32_t id,
                 const std::filesystem::path& source, Prompter& prompter);
// Deletes every <name>.* of the record in the folder.
void RemoveImage(std::string_view pattern, const std::filesystem::path& folder, int32_t id);

// The company page's logo rules; returns the new Company.LogoExt. `chosen` is the
// file the merchant picked (if any), `remove` whether the logo was taken away.
std::string StoreLogo(const std::filesystem::path& imgsFolder, std::string_view currentExt, bool remove,
                      const std::optional<std::filesystem::path>& chosen, Prompter& prompter);

}  // namespace vendora
