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
  // 247 bytes of name and ".mdb" fill a file name of 255 bytes; "ä" takes two.
  for (const std::string& good : std::vector<std::string>{"  Mein Laden  ", "Bücherstube-2", "..Punkte..", std::string(251, 'x'),
                                 std::string(124, 'x') + "äöü" + std::string(121, 'x')})
    EXPECT_TRUE(ShopManager::IsValidShopName(good)) << good;
  for (const std::string& bad : std::vector<std::string>{"", "   ", "a/b", "was?", "a\\b", "a*b", "<x>", "a|b", ".", " .. ", "a\nb", "a\tb",
                                std::string("a\x7F"), std::string(252, 'x'),
                                std::string(125, 'x') + "äöü" + std::string(121, 'x')})
    EXPECT_FALSE(ShopManager::IsValidShopName(bad)) << bad;

  // Refused names create nothing, not even outside the program folder.
  for (const char* hostile : {"..", ".", "neue\nZeile"}) {
    EXPECT_FALSE(manager_.CreateShop(hostile));
    EXPECT_EQ(prompter_.Texts().back(),
              "Der Name '" + std::string(hostile) +
                  "' ist kein gültiger Dateiname für einen Shop. Er darf nicht leer, nicht \".\" oder \"..\" und nicht "
                  "länger als 251 Byte sein und weder Steuerzeichen noch eines der Zeichen < > | * ? / \\ enthalten.");
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "..mdb"));
  EXPECT_FALSE(fs::exists(dir_.path() / "program"));
  EXPECT_TRUE(manager_.Shops().empty());
}

TEST_F(ShopListTest, AFailedCreationRemovesTheFolderItMade) {
  // The folder can be made, but the database file's path is longer than the engine takes.
  const std::string name(250, 'n');
  EXPECT_FALSE(manager_.CreateShop(name));
  EXPECT_EQ(prompter_.Texts().back(),
            "Bei der Erzeugung des neuen Shops trat ein Fehler auf!\nEine Fortsetzung ist leider nicht möglich.\n");
  EXPECT_FALSE(fs::exists(dir_.path() / "program" / name));
  EXPECT_TRUE(manager_.Shops().empty());

  // A folder that was there already stays, with what it held.
  fs::create_directories(dir_.path() / "program" / name);
  test::WriteFileBytes(dir_.path() / "program" / name / "notiz.txt", "bleibt");
  EXPECT_FALSE(manager_.CreateShop(name));
  EXPECT_EQ(test::ReadFileBytes(dir_.path() / "program" / name / "notiz.txt"), "bleibt");
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

// On a file system that tells letter case apart, the list holds files, not names: the
// same file reached another way is the same entry, a name in other letters another shop.
TEST_F(ShopListTest, EntriesAreFilesNotNames) {
  fs::create_directories(dir_.path() / "Shops");
  const fs::path a = dir_.path() / "Shops" / "Alpha.mdb";
  test::CreateShopFile(a);
  ASSERT_TRUE(manager_.AddShop(a));
  fs::create_directory_symlink(dir_.path() / "Shops", dir_.path() / "Verweis");
  fs::create_hard_link(a, dir_.path() / "Zweitname.mdb");
  const fs::path sameFile[] = {dir_.path() / "Shops" / ".." / "Shops" / "Alpha.mdb", dir_.path() / "Verweis" / "Alpha.mdb",
                               dir_.path() / "Zweitname.mdb"};
  for (const fs::path& other : sameFile) {
    EXPECT_EQ(manager_.FindShop(other), 0) << other;
    ASSERT_TRUE(manager_.AddShop(other)) << other;
  }
  EXPECT_EQ(manager_.Shops(), std::vector<std::string>{a.string()});
  EXPECT_EQ(manager_.FindShop(dir_.path() / "SHOPS" / "ALPHA.MDB"), -1);

  ASSERT_TRUE(manager_.CreateShop("Laden"));
  ASSERT_TRUE(manager_.CreateShop("laden"));
  EXPECT_EQ(manager_.ShopDisplayNames(), (std::vector<std::string>{"Alpha", "Laden", "laden"}));
  EXPECT_EQ(manager_.FindShopByName("laden"), 2);
  EXPECT_EQ(manager_.FindShopByName("Laden"), 1);
  EXPECT_EQ(manager_.FindShopByName("ALPHA"), 0) << "other letters find a name typed carelessly";
  EXPECT_FALSE(manager_.AddShop(dir_.path() / "fehlt.mdb"));
  EXPECT_EQ(manager_.Shops().size(), 3u);
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

TEST_F(ShopListTest, RemovingAShopAsksKeepsItsFilesAndOpensNoOther) {
  fs::create_directories(dir_.path() / "s");
  auto path = [&](const char* n) { return dir_.path() / "s" / (std::string(n) + ".mdb"); };
  for (const char* n : {"a", "b", "c", "d"}) {
    test::CreateShopFile(path(n));
    ASSERT_TRUE(manager_.AddShop(path(n)));
  }
  ASSERT_TRUE(manager_.Choose(2));  // "c" is open
  prompter_.Clear();
  EXPECT_FALSE(manager_.RemoveShop(1));  // No is preselected
  EXPECT_EQ(prompter_.asked()[0].text, "Wollen Sie wirklich 'b' aus der Shop-Liste entfernen?");
  EXPECT_EQ(prompter_.asked()[0].defaultAnswer, Answer::No);
  EXPECT_EQ(manager_.Shops().size(), 4u);

  // Another shop: the open one stays open and current; no other file is touched.
  const std::string a = test::ReadFileBytes(path("a"));
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(manager_.RemoveShop(1));
  EXPECT_EQ(manager_.ShopDisplayNames(), (std::vector<std::string>{"a", "c", "d"}));
  EXPECT_TRUE(fs::exists(path("b")));
  EXPECT_EQ(manager_.CurrentIndex(), 1);
  EXPECT_EQ(manager_.Database().Path(), path("c"));

  // The open shop: it is closed, and no neighbour is opened in its place.
  FakePageEdits page;
  manager_.SetPendingEdits(&page);
  page.dirty = true;
  prompter_.Queue(Answer::Yes);
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(manager_.RemoveShop(1)) << "Cancel on the unsaved changes keeps everything";
  EXPECT_TRUE(manager_.IsShopOpen());
  const std::string d = test::ReadFileBytes(path("d"));
  prompter_.Queue(Answer::Yes);
  prompter_.Queue(Answer::No);
  EXPECT_TRUE(manager_.RemoveShop(1));
  EXPECT_EQ(page.discarded, 1);
  EXPECT_EQ(manager_.ShopDisplayNames(), (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(manager_.CurrentIndex(), -1);
  EXPECT_FALSE(manager_.IsShopOpen());
  EXPECT_EQ(test::ReadFileBytes(path("a")), a);
  EXPECT_EQ(test::ReadFileBytes(path("d")), d);
}

// A file that cannot be opened as a shop is not added, and the shop open before stays
// open; a listed entry that fails to open leaves no shop open and none current.
TEST_F(ShopListTest, AFailedChoiceLeavesNoShopOpenAndAFileThatIsNoShopIsNotAdded) {
  fs::create_directories(dir_.path() / "s");
  test::CreateShopFile(dir_.path() / "s" / "gut.mdb");
  test::WriteFileBytes(dir_.path() / "s" / "kaputt.mdb", "kein Shop");
  ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / "gut.mdb"));
  EXPECT_FALSE(manager_.AddShop(dir_.path() / "s" / "kaputt.mdb"));
  EXPECT_EQ(manager_.ShopDisplayNames(), std::vector<std::string>{"gut"});
  EXPECT_TRUE(manager_.IsShopOpen());
  EXPECT_EQ(manager_.CurrentIndex(), 0);

  test::CreateShopFile(dir_.path() / "s" / "bald.mdb");
  ASSERT_TRUE(manager_.AddShop(dir_.path() / "s" / "bald.mdb"));
  test::WriteFileBytes(dir_.path() / "s" / "bald.mdb", "nicht mehr");
  ASSERT_TRUE(manager_.Choose(0));
  EXPECT_FALSE(manager_.Choose(1));
  EXPECT_FALSE(manager_.IsShopOpen());
  EXPECT_EQ(manager_.CurrentIndex(), -1);
  EXPECT_EQ(manager_.Paths().folder, dir_.path() / "program");
  EXPECT_TRUE(manager_.Choose(0));
}

}  // namespace
}  // namespace vendora
