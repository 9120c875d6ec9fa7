#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// Every input that once crashed a decoder, hung it or made it take gigabytes (found by
// fuzzing or by hand) is kept in fixtures/regressions with the outcome it must have
// now; a file there without an outcome here fails, so none is kept unchecked.
TEST(ImageRegressions, EveryKeptInputHasItsOutcome) {
  struct Outcome {
    int width, height;  // as the header declares them; 0 x 0: no size can be read
    bool loads;         // decodes, and a thumbnail is made of it
  };
  const std::map<std::string, Outcome> expected = {
      {"jpeg_huge_declared_size.jpg", {32801, 17937, false}},  // progressive CMYK, 357 bytes
      {"png_huge_text_chunk.png", {0, 0, false}},  // a text chunk claiming far more than the file holds
  };
  test::TempDir dir;
  std::set<std::string> seen;
  for (const auto& entry : fs::directory_iterator(fs::path(VENDORA_FIXTURES) / "regressions")) {
    const std::string name = entry.path().filename().string();
    if (name == ".keep") continue;
    seen.insert(name);
    auto it = expected.find(name);
    if (it == expected.end()) {
      ADD_FAILURE() << name << " is kept without an outcome";
      continue;
    }
    const Outcome& want = it->second;
    CImageFile measured;
    int width = 0, height = 0;
    EXPECT_EQ(measured.ReadSize(width, height, entry.path().string()), want.width > 0) << name;
    EXPECT_EQ(std::pair(width, height), std::pair(want.width, want.height)) << name;

    CImageFile full;
    ASSERT_EQ(full.Load(entry.path().string()), want.loads) << name;
    EXPECT_EQ(WriteThumbnail(entry.path(), dir / "thumb.jpg", 50).has_value(), want.loads) << name;
    if (!want.loads) continue;
    const std::string out = (dir / ("out." + std::string(FileExtension(name)))).string();
    auto small = full.CreateScaledCopy(out, 9, 7);
    ASSERT_TRUE(small) << name;
    EXPECT_TRUE(small->Save(out)) << name;
  }
  EXPECT_EQ(seen.size(), expected.size());
}

}  // namespace
}  // namespace vendora
