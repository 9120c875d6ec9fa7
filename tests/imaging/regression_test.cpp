#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/image_file.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// Every input that once crashed or hung a decoder (found by fuzzing) is kept in
// fixtures/regressions and must now load, measure, scale and save without harm.
TEST(ImageRegressions, FormerlyFaultyInputsAreHandled) {
  test::TempDir dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VENDORA_FIXTURES) / "regressions")) {
    const std::string name = entry.path().filename().string();
    if (FormatFromFileName(name) == ImageFormat::None) continue;
    ++files;
    CImageFile image;
    int width = 0, height = 0;
    image.ReadSize(width, height, entry.path().string());
    CImageFile full;
    if (!full.Load(entry.path().string())) continue;
    EXPECT_GT(full.GetWidth(), 0) << name;
    const std::string out = (dir / ("out." + std::string(FileExtension(name)))).string();
    auto small = full.CreateScaledCopy(out, 9, 7);
    ASSERT_TRUE(small) << name;
    small->Save(out);
    full.Save(out);
  }
  RecordProperty("files", files);
}

}  // namespace
}  // namespace vendora
