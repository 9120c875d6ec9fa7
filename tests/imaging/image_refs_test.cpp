#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "common/file_stamp.h"
#include "common/program_text.h"
#include "common/text_format.h"
#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::ScriptedPrompter;

// A colourful picture of the size in the format of the file name (GIFs with 8 bits).
void MakePicture(const fs::path& file, int width, int height) {
  CImageFile image;
  const ImageFormat format = FormatFromFileName(file.string());
  ASSERT_TRUE(image.CreateImpl(file.string(), format));
  if (format == ImageFormat::Gif) {
    std::vector<uint8_t> ramp(3 * 256);
    for (int i = 0; i < 256; ++i) ramp[3 * i] = ramp[3 * i + 1] = ramp[3 * i + 2] = static_cast<uint8_t>(i);
    ASSERT_TRUE(image.Create(width, height, 8));
    ASSERT_TRUE(image.GetImpl()->SetPalette(256, ramp.data()));
  } else {
    ASSERT_TRUE(image.Create(width, height, 24));
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.GetImpl()->SetPixelRGB(x, y, static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height), 90);
  ASSERT_TRUE(image.Save(file.string()));
}

void SetAge(const fs::path& file, int secondsAgo) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

class ImageRefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"cats", "prods", "thumbs", "imgs", "src"}) fs::create_directories(dir_ / f);
  }
  fs::path Folder(const char* name) { return dir_ / name; }
  test::TempDir dir_;
  ScriptedPrompter prompter_;
};

TEST_F(ImageRefsTest, FindsPicturesByPatternAndDescribesThem) {
  MakePicture(Folder("cats") / "B17.PNG", 40, 30);
  test::WriteFileBytes(Folder("cats") / "b17.txt", "kein Bild");
  test::WriteFileBytes(Folder("cats") / "h17.gif", "kaputt");
  EXPECT_EQ(FindImageRef(kButtonPattern, Folder("cats"), 17), "b17.png/40/30");
  EXPECT_TRUE(fs::exists(Folder("cats") / "b17.png")) << "renamed to the name the web server is asked for";
  EXPECT_EQ(FindImageRef(kHeaderPattern, Folder("cats"), 17), "h17.gif//") << "size unreadable";
  EXPECT_EQ(FindImageRef(kButtonPattern, Folder("cats"), 18), "");
  EXPECT_EQ(FindImageRef(kButtonPattern, Folder("cats"), 1), "") << "b17 is not b1";
  MakePicture(Folder("imgs") / "logo.jpg", 120, 60);
  EXPECT_EQ(FindNamedImageRef(Folder("imgs"), "logo.jpg"), "logo.jpg/120/60");
  EXPECT_EQ(FindNamedImageRef(Folder("imgs"), "logo.gif"), "");
}

TEST_F(ImageRefsTest, ThumbnailsAreMadeKeptAndRemovedWithTheirPicture) {
  const fs::path picture = Folder("prods") / "17.png";
  MakePicture(picture, 1000, 500);
  SetAge(picture, 100);
  ProductImageRefs refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 17, true, 85, &prompter_);
  EXPECT_EQ(refs.picture, "17.png/1000/500");
  EXPECT_EQ(refs.thumbnail, "17.jpg/100/50");
  const fs::path thumb = Folder("thumbs") / "17.jpg";
  CImageFile check;
  ASSERT_TRUE(check.Load(thumb.string()));
  EXPECT_EQ(check.GetWidth(), 100);
  EXPECT_FALSE(fs::exists(Folder("thumbs") / "17.jpg.tmp"));

  // Newer than its picture: kept as it is, also with thumbnails switched off.
  const auto made = fs::last_write_time(thumb);
  refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 17, false, 85, &prompter_);
  EXPECT_EQ(refs.thumbnail, "17.jpg/100/50");
  EXPECT_EQ(fs::last_write_time(thumb), made);

  // As old as its picture: made again.
  fs::last_write_time(thumb, fs::last_write_time(picture));
  refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 17, true, 85, &prompter_);
  EXPECT_GT(fs::last_write_time(thumb), fs::last_write_time(picture));

  // Without thumbnails a missing one is not made, the picture is still described.
  refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 18, false, 85, &prompter_);
  EXPECT_EQ(refs.picture, "");
  MakePicture(Folder("prods") / "19.bmp", 333, 1000);
  refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 19, false, 85, &prompter_);
  EXPECT_EQ(refs.picture, "19.bmp/333/1000");
  EXPECT_EQ(refs.thumbnail, "");
  EXPECT_FALSE(fs::exists(Folder("thumbs") / "19.jpg"));

  // The picture gone: every 17.* in thumbs goes with it.
  test::WriteFileBytes(Folder("thumbs") / "17.old", "x");
  fs::remove(picture);
  refs = MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 17, true, 85, &prompter_);
  EXPECT_EQ(refs.picture, "");
  EXPECT_EQ(refs.thumbnail, "");
  EXPECT_FALSE(fs::exists(thumb));
  EXPECT_FALSE(fs::exists(Folder("thumbs") / "17.old"));
  EXPECT_TRUE(prompter_.asked().empty());
}

// An unreadable picture is treated as missing (no references, its stale thumbnail
// goes), and named for the caller to report; with or without thumbnails.
TEST_F(ImageRefsTest, AnUnreadablePictureCountsAsMissingAndIsNamed) {
  for (bool makeThumbnail : {true, false}) {
    test::WriteFileBytes(Folder("prods") / "5.jpg", "kein JPEG");
    test::WriteFileBytes(Folder("thumbs") / "5.jpg", "alt");
    SetAge(Folder("thumbs") / "5.jpg", 60);
    ProductImageRefs refs =
        MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 5, makeThumbnail, 50, &prompter_);
    EXPECT_EQ(refs.picture, "");
    EXPECT_EQ(refs.thumbnail, "");
    EXPECT_EQ(refs.unreadable, "5.jpg");
    EXPECT_FALSE(fs::exists(Folder("thumbs") / "5.jpg"));
  }
  EXPECT_TRUE(prompter_.asked().empty());

  // A thumbnail that cannot be written (a folder stands in its place) leaves no reference.
  MakePicture(Folder("prods") / "6.png", 50, 50);
  fs::create_directories(Folder("thumbs") / "6.jpg" / "blocked");
  ProductImageRefs refs =
      MakeProductImageRefs(kImagePattern, Folder("prods"), Folder("thumbs"), 6, true, 50, &prompter_);
  EXPECT_EQ(refs.picture, "6.png/50/50");
  EXPECT_EQ(refs.thumbnail, "");
  EXPECT_EQ(refs.unreadable, "");
  EXPECT_FALSE(fs::exists(Folder("thumbs") / "6.jpg.tmp"));
}

// A stale size in a data file would show the picture distorted on the web page.
TEST_F(ImageRefsTest, CachedSizesHoldOnlyWhileTheFileIsUnchanged) {
  const fs::path picture = Folder("cats") / "b17.png";
  MakePicture(picture, 40, 30);
  const fs::path cacheFile = dir_ / "sizes";
  const FileStamp stamp = *StampOf(picture);
  // A cache that claims another size for exactly this file, among garbage lines.
  test::WriteFileBytes(cacheFile, Format("vendora picture sizes 2\nMüll\n1|2|3\n%llu|%llu|%llu|%lld|%lld|999|888\n",
                                         static_cast<unsigned long long>(stamp.device),
                                         static_cast<unsigned long long>(stamp.inode),
                                         static_cast<unsigned long long>(stamp.size),
                                         static_cast<long long>(stamp.writeTime.time_since_epoch().count()),
                                         static_cast<long long>(stamp.changeTimeNs)));
  PictureSizeCache cache;
  cache.Load(cacheFile);
  EXPECT_EQ(cache.size(), 1u);
  {
    PictureFolder cats(Folder("cats"), &cache);
    EXPECT_EQ(FindImageRef(kButtonPattern, cats, 17), "b17.png/999/888") << "the unchanged file is not read";
  }
  // Rewritten (new time, new bytes): read again, and the cache learns the true size.
  MakePicture(picture, 40, 30);
  fs::last_write_time(picture, fs::file_time_type::clock::now() + std::chrono::seconds(5));
  {
    PictureFolder cats(Folder("cats"), &cache);
    EXPECT_EQ(FindImageRef(kButtonPattern, cats, 17), "b17.png/40/30");
  }
  // A hard link names the same content, and a prefetched folder gives the same answers.
  fs::create_hard_link(picture, Folder("cats") / "b18.png");
  MakePicture(Folder("cats") / "h19.png", 7, 9);
  {
    PictureFolder cats(Folder("cats"), &cache);
    cats.Prefetch();
    EXPECT_EQ(FindImageRef(kButtonPattern, cats, 18), "b18.png/40/30");
    EXPECT_EQ(FindImageRef(kHeaderPattern, cats, 19), "h19.png/7/9");
  }
  ASSERT_TRUE(cache.Save(cacheFile));
  PictureSizeCache reloaded;
  reloaded.Load(cacheFile);
  EXPECT_EQ(reloaded.size(), 2u) << "the stale entry was dropped";
  PictureFolder cats(Folder("cats"), &reloaded);
  EXPECT_EQ(cats.KnownSize("h19.png")->width, 7);
  EXPECT_FALSE(cats.KnownSize("b99.png"));
  EXPECT_FALSE(fs::exists(dir_ / "sizes.tmp"));
  // A run that finds every entry and learns nothing leaves the file as it is; one that
  // leaves an entry unasked drops it.
  const auto written = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(cacheFile, written);
  EXPECT_TRUE(cats.KnownSize("b18.png"));
  ASSERT_TRUE(reloaded.Save(cacheFile));
  EXPECT_EQ(fs::last_write_time(cacheFile), written);
  PictureSizeCache third;
  third.Load(cacheFile);
  PictureFolder again(Folder("cats"), &third);
  EXPECT_TRUE(again.KnownSize("h19.png"));
  ASSERT_TRUE(third.Save(cacheFile));
  PictureSizeCache fourth;
  fourth.Load(cacheFile);
  EXPECT_EQ(fourth.size(), 1u);
}

// The background listing must see what a plain listing sees, and later changes.
TEST_F(ImageRefsTest, PrefetchedListingAgreesWithAPlainOne) {
  for (const char* name : {"B3.GIF", "b3.png", "h3.jpg", "3.txt"}) test::WriteFileBytes(Folder("cats") / name, "x");
  fs::create_directories(Folder("cats") / "b4.png");  // a folder is no picture
  PictureFolder plain(Folder("cats")), fetched(Folder("cats"));
  fetched.Prefetch();
  for (const char* base : {"b3", "h3", "3", "b4"}) EXPECT_EQ(fetched.FilesNamed(base), plain.FilesNamed(base)) << base;
  EXPECT_EQ(fetched.FilesNamed("B3"), (std::vector<std::string>{"B3.GIF", "b3.png"}));
  EXPECT_EQ(fetched.Stamp("b3.png")->size, 1u);
  EXPECT_EQ(fetched.Stamp("b4.png"), nullptr);
  test::WriteFileBytes(Folder("cats") / "b3.png", "xyz");
  fetched.Added("b3.png");
  EXPECT_EQ(fetched.Stamp("b3.png")->size, 3u) << "a changed file is read again";
  PictureFolder unused(Folder("cats"));
  unused.Prefetch();  // destroyed without being asked: must not hang or leak
}

TEST_F(ImageRefsTest, AssigningAPictureLeavesExactlyOnePerRecord) {
  MakePicture(Folder("cats") / "b17.gif", 10, 10);
  MakePicture(Folder("cats") / "b17.jpg", 10, 10);
  MakePicture(Folder("src") / "Neu.PNG", 30, 20);
  SetAge(Folder("src") / "Neu.PNG", 1000);
  ASSERT_TRUE(AssignImage(kButtonPattern, Folder("cats"), 17, Folder("src") / "Neu.PNG", prompter_));
  EXPECT_EQ(FindImageRef(kButtonPattern, Folder("cats"), 17), "b17.png/30/20");
  EXPECT_FALSE(fs::exists(Folder("cats") / "b17.gif"));
  EXPECT_FALSE(fs::exists(Folder("cats") / "b17.jpg"));
  EXPECT_GT(fs::last_write_time(Folder("cats") / "b17.png"), fs::last_write_time(Folder("src") / "Neu.PNG"))
      << "the copy carries the current time";

  EXPECT_FALSE(AssignImage(kButtonPattern, Folder("cats"), 17, Folder("src") / "fehlt.gif", prompter_));
  EXPECT_EQ(prompter_.Texts().back(), FormatProgramText(20045, (Folder("src") / "fehlt.gif").string()));
  EXPECT_TRUE(fs::exists(Folder("cats") / "b17.png")) << "a failed copy keeps the old picture";
  RemoveImage(kButtonPattern, Folder("cats"), 17);
  EXPECT_EQ(FindImageRef(kButtonPattern, Folder("cats"), 17), "");
}

TEST_F(ImageRefsTest, LogoRules) {
  MakePicture(Folder("src") / "Firma.GIF", 8, 8);
  EXPECT_EQ(StoreLogo(Folder("imgs"), "", false, Folder("src") / "Firma.GIF", prompter_), "gif");
  EXPECT_TRUE(fs::exists(Folder("imgs") / "logo.gif"));
  MakePicture(Folder("src") / "neu.png", 8, 8);
  EXPECT_EQ(StoreLogo(Folder("imgs"), "gif", false, Folder("src") / "neu.png", prompter_), "png");
  EXPECT_FALSE(fs::exists(Folder("imgs") / "logo.gif")) << "the replaced logo is removed";
  EXPECT_EQ(StoreLogo(Folder("imgs"), "png", false, std::nullopt, prompter_), "png");
  EXPECT_EQ(StoreLogo(Folder("imgs"), "jpg", false, std::nullopt, prompter_), "") << "no logo.jpg on disk";
  EXPECT_EQ(StoreLogo(Folder("imgs"), "png", false, Folder("src") / "weg.png", prompter_), "png")
      << "a picture that is gone leaves the logo the shop had";
  EXPECT_EQ(StoreLogo(Folder("imgs"), "png", true, std::nullopt, prompter_), "");
  EXPECT_FALSE(fs::exists(Folder("imgs") / "logo.png"));
}

}  // namespace
}  // namespace vendora
