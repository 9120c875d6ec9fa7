#include <gtest/gtest.h>

#include "app/shop_manager.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::ScriptedPrompter;

class FakePageEdits : public PendingEdits {
 public:
  bool HasUnsavedChanges() const override { return dirty; }
  bool Save() override {
    ++saved;
    dirty = false;
    return true;
  }
  void Discard() override {
    ++discarded;
    dirty = false;
  }
  bool dirty = false;
  int saved = 0, discarded = 0;
};

class ShopListTest : public ::testing::Test {
 protected:
  ShopListTest() : manager_({150, 54, 1031}, dir_.path() / "program", prompter_) {}
  test::TempDir dir_;
  ScriptedPrompter prompter_;
  ShopManager manager_;
};

TEST_F(ShopListTest, NewShopNamesAreValidatedAsTheDialogDoes) {
  EXPECT_TRUE(ShopManager::IsValidShopName("  Mein Laden  "));
  EXPECT_TRUE(ShopManager::IsValidShopName("Bücherstube-2"));
  for (const char* bad : {"", "   ", "a/b", "was?", "a\\b", "a*b", "<x>", "a|b"})
    EXPECT_FALSE(ShopManager::IsValidShopName(bad)) << bad;
}

TEST_F(ShopListTest, CreatingAShopMakesFolderFileAndSubfoldersAndOpensIt) {
  ASSERT_TRUE(manager_.CreateShop("  Laden  "));
  const fs::path folder = dir_.path() / "program" / "Laden";
  const fs::path db = folder / "Laden.mdb";
  EXPECT_TRUE(fs::is_regular_file(db));
  for (auto sub : kShopSubfolderNames) EXPECT_TRUE(fs::is_directory(folder / sub)) << sub;
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Der neue Shop Laden wurde angelegt."});
  EXPECT_EQ(manager_.Shops(), std::vector<std::string>{db.string()});
  EXPECT_EQ(manager_.CurrentIndex(), 0);
  EXPECT_TRUE(manager_.IsShopOpen());
  EXPECT_EQ(manager_.Paths().logFile, folder / "Laden.log");
  EXPECT_EQ(manager_.WindowTitle(), "Tolm! Vendora - Laden.mdb");
  EXPECT_EQ(manager_.LastNewShopName(), "  Laden  ");

  CRecSetCompany company(manager_.Database());
  company.Open();
  company.AddNew();
  company->StoreName = "Bücherwurm";
  company.Update();
  EXPECT_EQ(manager_.WindowTitle(), "Tolm! Vendora - Bücherwurm");
  manager_.CloseShop();
  EXPECT_EQ(manager_.WindowTitle(), "Tolm! Vendora");
}

TEST_F(ShopListTest, ExistingFolderIsReusedAndAnExistingFileOnlyReplacedOnYes) {
  ASSERT_TRUE(manager_.CreateShop("Laden"));
  const fs::path db = dir_.path() / "program" / "Laden" / "Laden.mdb";
  CRecSetCategories c(manager_.Database());
  c.Open();
  c.AddNew();
  c->Name = "bleibt?";
  c.Update();
  prompter_.Clear();

  EXPECT_FALSE(manager_.CreateShop("Laden"));  // No is preselected
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text,
            "Die Datei\n'" + db.string() +
                "'\nist bereits vorhanden.\nWollen Sie sie wirklich durch einen neuen, leeren Shop überschreiben?\n");
  EXPECT_EQ(prompter_.asked()[0].defaultAnswer, Answer::No);
  EXPECT_TRUE(manager_.IsShopOpen());
  EXPECT_EQ(TableRowCount(manager_.Database(), "Categories"), 1);

  prompter_.Queue(Answer::Yes);
  ASSERT_TRUE(manager_.CreateShop("Laden"));
  EXPECT_EQ(TableRowCount(manager_.Database(), "Categories"), 0) << "the shop starts empty";
  EXPECT_EQ(manager_.Shops().size(), 1u) << "the same file is not listed twice";
}

TEST_F(ShopListTest, AFileWhereTheFolderMustGoStopsTheCreation) {
  fs::create_directories(dir_.path() / "program");
  test::WriteFileBytes(dir_.path() / "program" / "Laden", "kein Ordner");
  EXPECT_FALSE(manager_.CreateShop("Laden"));
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Das Verzeichnis\n'" + (dir_.path() / "program" / "Laden").string() +
                                                        "'\nkonnte nicht angelegt werden.\nWählen Sie bitte einen "
                                                        "anderen Dateinamen.\n"});
  EXPECT_TRUE(manager_.Shops().empty());
  EXPECT_FALSE(manager_.CreateShop("a/b"));
  EXPECT_TRUE(manager_.Shops().empty());
}

TEST_F(ShopListTest, AddingAListedFileInOtherLettersChoosesTheExistingEntry) {
  fs::create_directories(dir_.path() / "Shops");
  const fs::path a = dir_.path() / "Shops" / "Alpha.mdb";
  test::CreateShopFile(a);
  ASSERT_TRUE(manager_.AddShop(a));
  EXPECT_EQ(manager_.FindShop(dir_.path() / "SHOPS" / "ALPHA.MDB"), 0);
  EXPECT_EQ(manager_.FindShopByName("alpha"), 0);
  ASSERT_TRUE(manager_.AddShop(a));
  EXPECT_EQ(manager_.Shops().size(), 1u);
  EXPECT_FALSE(manager_.AddShop(dir_.path() / "fehlt.mdb"));
  EXPECT_EQ(manager_.Shops().size(), 1u);
}

TEST_F(ShopListTest, ChoosingAnotherShopAsksAboutUnsavedChanges) {
  fs::create_directories(dir_.path() / "s");
  test::CreateShopFile(dir_.path() / "s" / "a.mdb");
  test::CreateShopFile(dir_.path() / "s" / "b.mdb");
  FakePageEdits page;
  manager_.SetPendingEdits(&page);
  ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / "a.mdb"));
  ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / "b.mdb"));
  prompter_.Clear();

  page.dirty = true;
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(manager_.Choose(0));
  EXPECT_EQ(manager_.CurrentIndex(), 1) << "Cancel keeps the current shop";
  EXPECT_TRUE(manager_.IsShopOpen());
  EXPECT_EQ(prompter_.asked()[0].text,
            "Sollen die in diesem Dialog von Ihnen vorgenommenen Änderungen gespeichert werden?");
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNoCancel);

  prompter_.Queue(Answer::No);
  EXPECT_TRUE(manager_.Choose(0));
  EXPECT_EQ(page.discarded, 1);
  page.dirty = true;
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(manager_.Choose(1));
  EXPECT_EQ(page.saved, 1);
  EXPECT_EQ(manager_.Database().Path(), dir_.path() / "s" / "b.mdb");
}

TEST_F(ShopListTest, RemovingAShopAsksKeepsItsFilesAndChoosesTheNext) {
  fs::create_directories(dir_.path() / "s");
  for (const char* n : {"a", "b", "c"}) {
    test::CreateShopFile(dir_.path() / "s" / (std::string(n) + ".mdb"));
    ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / (std::string(n) + ".mdb")));
  }
  ASSERT_TRUE(manager_.Choose(1));
  prompter_.Clear();
  EXPECT_FALSE(manager_.RemoveShop(1));  // No is preselected
  EXPECT_EQ(prompter_.asked()[0].text, "Wollen Sie wirklich 'b' aus der Shop-Liste entfernen?");
  EXPECT_EQ(manager_.Shops().size(), 3u);

  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(manager_.RemoveShop(1));
  EXPECT_EQ(manager_.ShopDisplayNames(), (std::vector<std::string>{"a", "c"}));
  EXPECT_TRUE(fs::exists(dir_.path() / "s" / "b.mdb"));
  EXPECT_EQ(manager_.CurrentIndex(), 1);
  EXPECT_EQ(manager_.Database().Path(), dir_.path() / "s" / "c.mdb");

  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(manager_.RemoveShop(1));
  EXPECT_EQ(manager_.CurrentIndex(), 0) << "removing the last entry chooses the one before";
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(manager_.RemoveShop(0));
  EXPECT_EQ(manager_.CurrentIndex(), -1);
  EXPECT_FALSE(manager_.IsShopOpen());
}

TEST_F(ShopListTest, AFailedChoiceLeavesNoShopOpenAndNoSelection) {
  fs::create_directories(dir_.path() / "s");
  test::CreateShopFile(dir_.path() / "s" / "gut.mdb");
  test::WriteFileBytes(dir_.path() / "s" / "kaputt.mdb", "kein Shop");
  ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / "gut.mdb"));
  EXPECT_FALSE(manager_.AddShop(dir_.path() / "s" / "kaputt.mdb"));
  EXPECT_FALSE(manager_.IsShopOpen());
  EXPECT_EQ(manager_.CurrentIndex(), -1);
  EXPECT_EQ(manager_.Paths().folder, dir_.path() / "program");
  EXPECT_TRUE(manager_.Choose(0));
}

}  // namespace
}  // namespace vendora
