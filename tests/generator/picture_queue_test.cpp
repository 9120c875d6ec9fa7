#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/demo_shop.h"
#include "common/clock.h"
#include "generator/generation.h"
#include "generator/picture_queue.h"
#include "shopdb/changed_flag.h"
#include "imaging/image_file.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

void WritePng(const fs::path& file, int width, int height) {
  CImageFile image;
  ASSERT_TRUE(image.CreateImpl(file.string(), ImageFormat::Png));
  ASSERT_TRUE(image.Create(width, height, 24));
  ASSERT_TRUE(image.Save(file.string()));
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(60));
}

class PictureQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "prods");
    fs::create_directories(dir_ / "thumbs");
  }
  test::TempDir dir_;
  test::ScriptedPrompter prompter_;
  PictureSizeCache sizes_;
  PictureFolder prods_{dir_ / "prods", &sizes_}, thumbs_{dir_ / "thumbs", &sizes_};
};

// Results come back in the order handed over, batch after batch, with the stamps of the
// files they name; what the thread made is known to the folders afterwards.
TEST_F(PictureQueueTest, ResultsComeInOrderWithTheirStamps) {
  for (int id = 1; id <= 40; ++id)
    if (id % 3 != 0) WritePng(dir_ / "prods" / (std::to_string(id) + ".png"), 10 + id, 20);
  prods_.Prefetch();
  ProductPictureQueue queue(prods_, thumbs_, true, 50, prompter_);
  for (int batch = 0; batch < 2; ++batch) {
    std::vector<int32_t> ids;
    for (int id = 40 - batch; id >= 1; id -= 2) ids.push_back(id);
    queue.Start(ids);
    for (int32_t id : ids) {
      const ProductPictureQueue::Result r = queue.Take();
      const std::string name = std::to_string(id);
      if (id % 3 == 0) {
        EXPECT_EQ(r.refs.picture, "") << id;
        EXPECT_FALSE(r.picture);
        continue;
      }
      EXPECT_EQ(r.refs.picture, name + ".png/" + std::to_string(10 + id) + "/20") << id;
      EXPECT_EQ(r.refs.thumbnail.substr(0, name.size() + 5), name + ".jpg/") << id;
      ASSERT_TRUE(r.picture && r.thumbnail) << id;
      EXPECT_EQ(r.picture->size, fs::file_size(dir_ / "prods" / (name + ".png")));
      EXPECT_EQ(r.thumbnail->size, fs::file_size(dir_ / "thumbs" / (name + ".jpg")));
    }
  }
  EXPECT_EQ(thumbs_.FilesNamed("7"), std::vector<std::string>{"7.jpg"});
  EXPECT_THROW(queue.Take(), std::logic_error) << "more taken than handed over would wait for ever";
  EXPECT_TRUE(prompter_.asked().empty());
}

// A walk that ends early (a database error) leaves results untaken: the queue must
// still stop, and a new batch before the last was taken is refused.
TEST_F(PictureQueueTest, StopsWithResultsLeft) {
  for (int id = 1; id <= 20; ++id) WritePng(dir_ / "prods" / (std::to_string(id) + ".png"), 8, 8);
  {
    ProductPictureQueue queue(prods_, thumbs_, true, 50, prompter_);
    queue.Start({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
    EXPECT_EQ(queue.Take().refs.picture, "1.png/8/8");
    std::optional<ProductPictureQueue::Result> next;
    while (!(next = queue.TryTake())) std::this_thread::yield();
    EXPECT_EQ(next->refs.picture, "2.png/8/8") << "without waiting, still in order";
    EXPECT_THROW(queue.Start({1}), std::logic_error);
  }
  ProductPictureQueue idle(prods_, thumbs_, false, 50, prompter_);  // never given work
}

// Everything a run writes (data files, thumbnails, log, messages) is the same with
// one thumbnail worker as with many: a demo shop generated twice from scratch, with a
// CMYK picture, a broken one and withheld products among its pictures.
TEST(ThumbnailWorkers, OneOrManyWorkersWriteTheSameShop) {
  test::TempDir dir;
  DemoShopOptions demo;
  demo.products = 90;
  demo.pictures = 30;
  const fs::path first = CreateDemoShop(dir / "one", demo).value();
  const fs::path prods = first.parent_path() / "prods";
  for (const char* name : {"31.jpg", "32.jpg"}) fs::remove(prods / name);  // hard links to shared pictures
  fs::copy_file(std::string(VENDORA_FIXTURES) + "/jpeg/cmyk.jpg", prods / "31.jpg");
  test::WriteFileBytes(prods / "32.jpg", "\xFF\xD8\xFF\xE0 not a picture");
  fs::copy(first.parent_path(), dir / "many", fs::copy_options::recursive);

  struct Output {
    std::map<std::string, std::string> files;  // data and thumbs, by path
    std::vector<std::string> log;
    std::vector<std::string> messages;
  };
  auto generate = [](const fs::path& database, int workers) {
    ShopDatabase db;
    db.Open(database);
    GenerationLog log;
    MemoryLogSink lines;
    log.AddSink(&lines);
    test::ScriptedPrompter prompter;
    FixedClock clock{1'700'000'000};
    ShopGenerator generator(db, DeriveShopPaths(database), log, prompter, clock);
    generator.Chain().insert(generator.Chain().begin(), {"workers", [workers](RunContext& run) {
                                                            run.pictureWorkers = workers;
                                                            return true;
                                                          }});
    SetDatabaseChanged(true);
    EXPECT_TRUE(generator.Run());
    Output out;
    out.log = lines.lines;
    for (const MessageRequest& m : prompter.asked()) out.messages.push_back(m.text);
    for (const char* folder : {"data", "thumbs"})
      for (const auto& entry : fs::directory_iterator(database.parent_path() / folder))
        out.files[std::string(folder) + "/" + entry.path().filename().string()] = test::ReadFileBytes(entry.path());
    return out;
  };
  const Output one = generate(first, 1), many = generate(dir / "many" / "Demoshop.mdb", 4);
  EXPECT_EQ(one.files.size(), 90u - 1 + 13) << "a thumbnail per readable picture and the data files";
  EXPECT_TRUE(one.files.contains("thumbs/31.jpg"));
  EXPECT_FALSE(one.files.contains("thumbs/32.jpg"));
  for (const auto& [name, bytes] : one.files) {
    auto other = many.files.find(name);
    ASSERT_NE(other, many.files.end()) << name;
    EXPECT_TRUE(other->second == bytes) << name;
  }
  EXPECT_EQ(one.files.size(), many.files.size());
  EXPECT_EQ(one.log, many.log);
  EXPECT_EQ(one.messages, many.messages);
}

}  // namespace
}  // namespace vendora
