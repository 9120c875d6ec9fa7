#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
 protected:
  fs::path Shop(const std::string& name) {
    fs::path p = dir_ / (name + ".mdb");
    test::WriteFileBytes(p, "x");
    return p;
  }
  void WriteIni(const std::string& text) { test::WriteFileBytes(ini_, text); }
  std::string Ini() { return test::ReadFileBytes(ini_); }

  test::TempDir dir_;
  fs::path ini_ = dir_ / "cfg" / "Vendora.ini";
};

TEST_F(SettingsTest, MissingShopFilesDropOutAndSavingRewritesTheList) {
  fs::create_directories(ini_.parent_path());
  fs::path a = Shop("a"), c = Shop("c");
  WriteIni("[General]\nToolTips = 0\nPreviewSize = 10, 20,30\nOther = bleibt\n\n[Stores.0407]\nNumber = 3\nStore1 = " +
           a.string() + "\nStore2 = " + (dir_ / "fehlt.mdb").string() + "\nStore3 =   " + c.string() +
           "  \nLast = 3\n\n[Stores.0409]\nNumber = 1\nStore1 = /englisch.mdb\n");
  AppSettings s = LoadAppSettings(ini_, 1031);
  EXPECT_EQ(s.shops, (std::vector<std::string>{a.string(), c.string()}));
  EXPECT_EQ(s.current, 1) << "Last 3 is beyond the two entries: the last one";
  EXPECT_FALSE(s.toolTips);
  EXPECT_TRUE(s.doFileLog);
  EXPECT_EQ(s.previewSize, (std::array<int, 3>{10, 20, 30}));

  ASSERT_TRUE(SaveAppSettings(ini_, 1031, s));
  AppSettings again = LoadAppSettings(ini_, 1031);
  EXPECT_EQ(again.shops, s.shops);
  EXPECT_EQ(again.current, 1);
  const std::string text = Ini();
  EXPECT_NE(text.find("Number = 2"), std::string::npos);
  EXPECT_NE(text.find("Store2 = " + c.string()), std::string::npos);
  EXPECT_EQ(text.find("Store3"), std::string::npos) << "the surplus entry is deleted";
  EXPECT_NE(text.find("Last = 2"), std::string::npos);
  EXPECT_NE(text.find("ToolTips = 0"), std::string::npos);
  EXPECT_NE(text.find("PreviewSize = 10,20,30"), std::string::npos);
  EXPECT_NE(text.find("Other = bleibt"), std::string::npos);
  EXPECT_NE(text.find("Store1 = /englisch.mdb"), std::string::npos) << "other languages keep their list";
}

TEST_F(SettingsTest, LastChoosesFirstWhenMissingOrZeroAndNoneWithoutShops) {
  fs::create_directories(ini_.parent_path());
  fs::path a = Shop("a"), b = Shop("b");
  for (const std::string last : {"", "Last = 0\n", "Last = -5\n"}) {
    WriteIni("[Stores.0407]\nNumber = 2\nStore1 = " + a.string() + "\nStore2 = " + b.string() + "\n" + last);
    EXPECT_EQ(LoadAppSettings(ini_, 1031).current, 0) << last;
  }
  WriteIni("[Stores.0407]\nNumber = 1\nStore1 = \nLast = 1\n");
  AppSettings s = LoadAppSettings(ini_, 1031);
  EXPECT_TRUE(s.shops.empty());
  EXPECT_EQ(s.current, -1);
  ASSERT_TRUE(SaveAppSettings(ini_, 1031, s));
  EXPECT_EQ(Ini().find("Number"), std::string::npos) << "an empty list deletes Number";
  EXPECT_EQ(Ini().find("Last"), std::string::npos);
  EXPECT_NE(Ini().find("PreviewSize = 0,0,0"), std::string::npos) << "written even when never known";
}

TEST_F(SettingsTest, DefaultsAndDamagedValues) {
  AppSettings none = LoadAppSettings(dir_ / "gibt-es-nicht.ini", 1031);
  EXPECT_TRUE(none.toolTips && none.doFileLog);
  EXPECT_TRUE(none.shops.empty());
  EXPECT_EQ(none.previewSize, (std::array<int, 3>{0, 0, 0}));

  fs::create_directories(ini_.parent_path());
  fs::path a = Shop("a");
  WriteIni("[General]\nDoFileLog = -1\nToolTips = 7\nPreviewSize = 1,2\n[Stores.0407]\nNumber = 2000000000\nStore1 = " +
           a.string() + "\n");
  AppSettings s = LoadAppSettings(ini_, 1031);
  EXPECT_FALSE(s.doFileLog);
  EXPECT_TRUE(s.toolTips);
  EXPECT_EQ(s.previewSize, (std::array<int, 3>{0, 0, 0})) << "only a complete triple counts";
  EXPECT_EQ(s.shops.size(), 1u);

  EXPECT_EQ(StoresSection(1031), "Stores.0407");
  EXPECT_EQ(StoresSection(3082), "Stores.0c0a");
  EXPECT_FALSE(SaveAppSettings(a / "unter-einer-datei.ini", 1031, s)) << "an unwritable place is reported";
}

// A damaged "Number" must neither hang loading or saving nor lose the entries present;
// a folder named like a shop file is no shop.
TEST_F(SettingsTest, DamagedNumbersAreBoundedByTheEntriesPresent) {
  fs::create_directories(ini_.parent_path());
  const fs::path a = Shop("a"), b = Shop("b"), folder = dir_ / "ordner.mdb";
  fs::create_directories(folder);
  for (const std::string number : {"99999999999999999999", "3000000000", "2147483647"}) {
    SCOPED_TRACE(number);
    WriteIni("[Stores.0407]\nNumber = " + number + "\nStore1 = " + a.string() + "\nStore2 = " + folder.string() +
             "\nStore5 = " + b.string() + "\nStore2147483647 = " + a.string() + "\nLast = 2\n");
    AppSettings s = LoadAppSettings(ini_, 1031);
    EXPECT_EQ(s.shops, (std::vector<std::string>{a.string(), b.string(), a.string()}));
    EXPECT_EQ(s.current, 1);

    s.shops.resize(1);
    s.current = 0;
    ASSERT_TRUE(SaveAppSettings(ini_, 1031, s));
    const std::string text = Ini();
    EXPECT_NE(text.find("Number = 1\n"), std::string::npos) << text;
    for (const char* gone : {"Store2 ", "Store5", "Store2147483647"}) EXPECT_EQ(text.find(gone), std::string::npos) << gone;
  }
}

}  // namespace
}  // namespace vendora
