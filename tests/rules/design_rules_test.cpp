#include "rules/design_rules.h"

#include <gtest/gtest.h>

#include <functional>

#include "rules/graphic_set_tab.h"
#include "rules/text_blocks.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

constexpr const char* kQualityQuestion =
    "Wenn Sie diese Änderung jetzt mit 'Ja' bestätigen, entfernt \nVendora ALLE bisher erstellten Miniaturbilder, "
    "um in der \ngewählten Qualitätsstufe neue Miniaturbilder zu erzeugen!";
constexpr const char* kLeaveQuestion = "Möchten Sie die Änderungen im Dialog Darstellung speichern?";

TEST(DesignLayout, GoverningSwitchesEnableGreyAndSwapTheirControls) {
  struct Case {
    const char* what;
    std::function<void(InterfacesRow&)> set;
    bool fonts, menuTopHomePage, index, catWrap, catVertical, linesWrap, linesVertical;
    std::string_view label;
  };
  const auto off = [](InterfacesRow& r) {
    r = InterfacesRow{};
    r.MainFont = "Verdana";
  };
  const Case cases[] = {
      {"all off", off, true, false, false, true, false, true, false, " (nichts) "},
      {"default fonts", [&](InterfacesRow& r) { off(r); r.UseDefaultFonts = true; }, false, false, false, true, false,
       true, false, " (nichts) "},
      {"top menu", [&](InterfacesRow& r) { off(r); r.MenuTop = true; }, true, true, false, true, false, true, false,
       " (nichts) "},
      {"index", [&](InterfacesRow& r) { off(r); r.GenerateIndex = true; }, true, false, true, true, false, true, false,
       " (nichts) "},
      // The stored value is the chooser's entry: 1 is "vertical".
      {"categories vertical", [&](InterfacesRow& r) { off(r); r.CatHorizontal = true; }, true, false, false, false,
       true, true, false, " (nichts) "},
      {"lines vertical", [&](InterfacesRow& r) { off(r); r.LinesHorizontal = true; }, true, false, false, true, false,
       false, true, " (nichts) "},
      {"details", [&](InterfacesRow& r) { off(r); r.GenerateDetails = true; }, true, false, false, true, false, true,
       false, " \"Mehr Info\" "},
      {"thumbnails win", [&](InterfacesRow& r) { off(r); r.GenerateDetails = r.UseThumbnails = true; }, true, false,
       false, true, false, true, false, " Miniatur (Thumbnail) "},
  };
  for (const Case& c : cases) {
    InterfacesRow row;
    c.set(row);
    const LayoutControls got = LayoutDependencies(row);
    EXPECT_EQ(got.fontsEnabled, c.fonts) << c.what;
    EXPECT_EQ(got.menuTopHomePageEnabled, c.menuTopHomePage) << c.what;
    EXPECT_EQ(got.indexOptionsEnabled, c.index) << c.what;
    EXPECT_EQ(got.categories.wrapShown, c.catWrap) << c.what;
    EXPECT_EQ(got.categories.verticalShown, c.catVertical) << c.what;
    EXPECT_EQ(got.lines.wrapShown, c.linesWrap) << c.what;
    EXPECT_EQ(got.lines.verticalShown, c.linesVertical) << c.what;
    EXPECT_EQ(got.thumbnailLabel, c.label) << c.what;
  }
}

class DesignPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    EnsureDefaultRows(db_);
    fs::create_directories(Thumbs());
  }
  fs::path Thumbs() const { return dir_ / "thumbs"; }
  void MakeSet(const std::string& name, bool readOnly) {
    fs::create_directories(dir_ / "GraphicSets" / name);
    test::WriteFileBytes(dir_ / "GraphicSets" / name / "Settings", readOnly ? "ReadOnly\tYes\r\n" : "ReadOnly\tNo\r\n");
  }
  TextBlocksRow StoredBlocks() {
    CRecSetTextblocks set(db_);
    set.Open();
    EXPECT_FALSE(set.IsEOF());
    TextBlocksRow row = *set;
    set.MoveNext();
    EXPECT_TRUE(set.IsEOF()) << "one row only";
    return row;
  }

  test::TempDir dir_;
  ShopDatabase db_;
  test::ScriptedPrompter prompter_;
};

TEST_F(DesignPageTest, LayoutKeepsHiddenValuesAndSavingLeavesTheChosenSet) {
  LayoutTab layout(db_);
  InterfacesRow edited = layout.Row();
  edited.MainFont = "Georgia";
  edited.CatHorzWrapOn = 5;
  layout.Change(edited);
  edited.UseDefaultFonts = true;
  edited.CatHorizontal = true;
  edited.GSet = "Fremd";
  layout.Change(edited);
  EXPECT_TRUE(layout.IsChanged());
  EXPECT_FALSE(layout.Controls().fontsEnabled);
  // The set tab stores its choice meanwhile; the layout's save must not undo it.
  InterfacesRow stored = ReadSettingsRow<InterfacesRow>(db_);
  stored.GSet = "Wald";
  test::StoreRow(db_, stored);
  ASSERT_TRUE(layout.Save(prompter_));
  const InterfacesRow saved = ReadSettingsRow<InterfacesRow>(db_);
  EXPECT_EQ(saved.MainFont, "Georgia");
  EXPECT_EQ(saved.CatHorzWrapOn, 5);
  EXPECT_TRUE(saved.UseDefaultFonts);
  EXPECT_EQ(saved.GSet, "Wald");
  EXPECT_FALSE(layout.IsChanged());
}

TEST_F(DesignPageTest, QualityChangeAsksAndOnYesRemovesEveryThumbnailOfEveryProduct) {
  InterfacesRow stored = ReadSettingsRow<InterfacesRow>(db_);
  stored.Quality = 30;  // a fresh shop's value: "Hoch"
  test::StoreRow(db_, stored);
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "K"), "P");
  const std::string id = std::to_string(product);
  for (const std::string name : {id + ".jpg", id + ".png", id + "0.jpg", std::string("logo.jpg")})
    test::WriteFileBytes(Thumbs() / name, "x");

  LayoutTab layout(db_);
  EXPECT_FALSE(layout.ChangeQuality(2, Thumbs(), prompter_));
  EXPECT_TRUE(prompter_.asked().empty()) << "30 is already the entry \"Hoch\"";

  EXPECT_FALSE(layout.ChangeQuality(0, Thumbs(), prompter_));  // No is preselected
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text, kQualityQuestion);
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Question);
  EXPECT_EQ(prompter_.asked()[0].defaultAnswer, Answer::No);
  EXPECT_TRUE(fs::exists(Thumbs() / (id + ".jpg")));
  EXPECT_EQ(QualityChoice(layout.Row().Quality), 2);
  EXPECT_FALSE(layout.IsChanged());

  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(layout.ChangeQuality(0, Thumbs(), prompter_));
  EXPECT_FALSE(fs::exists(Thumbs() / (id + ".jpg")));
  EXPECT_FALSE(fs::exists(Thumbs() / (id + ".png")));
  EXPECT_TRUE(fs::exists(Thumbs() / (id + "0.jpg"))) << "another product's name";
  EXPECT_TRUE(fs::exists(Thumbs() / "logo.jpg"));
  EXPECT_EQ(layout.Row().Quality, 0);
  EXPECT_TRUE(layout.IsChanged());
}

TEST_F(DesignPageTest, TextSectionsImportAtTheCaretExportDeleteAndSaveIntoOneRow) {
  TextBlocksEditor texts(db_);
  texts.Choose(TextSection::Welcome);
  texts.Edit("Hallo Welt");
  EXPECT_EQ(texts.Choose(TextSection::Privacy), "");
  texts.Edit("Wir speichern nichts.");
  EXPECT_EQ(texts.Choose(TextSection::Welcome), "Hallo Welt") << "the edit went into the section shown";

  // A text from an older editor, in Windows-1252, into the middle; a selection is replaced.
  test::WriteFileBytes(dir_ / "gruss.txt", "sch\xF6ne ");
  const Result<size_t> caret = texts.Import(dir_ / "gruss.txt", 6, 6);
  ASSERT_TRUE(caret.ok()) << caret.message();
  EXPECT_EQ(texts.Shown(), "Hallo schöne Welt");
  EXPECT_EQ(*caret, 14u);
  test::WriteFileBytes(dir_ / "neu.txt", "Erde");
  ASSERT_TRUE(texts.Import(dir_ / "neu.txt", 14, 18).ok());
  EXPECT_EQ(texts.Shown(), "Hallo schöne Erde");
  const Result<size_t> missing = texts.Import(dir_ / "fehlt.txt", 0, 0);
  EXPECT_EQ(missing.message(), "Die Datei '" + (dir_ / "fehlt.txt").string() + "' konnte nicht gelesen werden (nicht vorhanden).");
  EXPECT_EQ(texts.Shown(), "Hallo schöne Erde");

  ASSERT_TRUE(texts.Export(dir_ / "aus.txt").ok());
  EXPECT_EQ(test::ReadFileBytes(dir_ / "aus.txt"), "Hallo sch\xC3\xB6ne Erde");
  EXPECT_FALSE(texts.Export(dir_ / "fehlt" / "aus.txt").ok());

  texts.Choose(TextSection::Policy);
  texts.Edit("AGB");
  prompter_.Queue(Answer::No);
  EXPECT_FALSE(texts.DeleteSection(prompter_));
  EXPECT_EQ(prompter_.Texts().back(), "Wollen Sie den Text für den Abschnitt Gesch.-Bedingungen wirklich löschen?");
  EXPECT_EQ(texts.Shown(), "AGB");
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(texts.DeleteSection(prompter_));
  EXPECT_EQ(texts.Shown(), "");

  texts.SetPolicyJava(true);
  ASSERT_TRUE(texts.Save(prompter_));
  ASSERT_TRUE(texts.Save(prompter_));
  const TextBlocksRow row = StoredBlocks();
  EXPECT_EQ(row.Welcome, "Hallo schöne Erde");
  EXPECT_EQ(row.Privacy, "Wir speichern nichts.");
  EXPECT_EQ(row.Policy, "");
  EXPECT_TRUE(row.PolicyJava);
}

TEST_F(DesignPageTest, LeavingAsksOnlyWithChangesAndNoKeepsTheStoredText) {
  TextBlocksRow blocks;
  blocks.Policy = "Alte AGB";
  test::StoreRow(db_, blocks);
  MakeSet("Eigen", false);
  LayoutTab layout(db_);
  TextBlocksEditor texts(db_);
  GraphicSetTab sets(db_, dir_.path(), prompter_);
  sets.Open();

  EXPECT_TRUE(ConfirmLeaveDesign(layout, texts, sets, prompter_));
  EXPECT_TRUE(prompter_.asked().empty());

  texts.Choose(TextSection::Policy);
  prompter_.Queue(Answer::Yes);
  ASSERT_TRUE(texts.DeleteSection(prompter_));
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(ConfirmLeaveDesign(layout, texts, sets, prompter_));
  EXPECT_EQ(prompter_.Texts().back(), kLeaveQuestion);
  EXPECT_EQ(prompter_.asked().back().buttons, MessageButtons::YesNoCancel);
  prompter_.Queue(Answer::No);
  EXPECT_TRUE(ConfirmLeaveDesign(layout, texts, sets, prompter_));
  EXPECT_EQ(StoredBlocks().Policy, "Alte AGB");
  EXPECT_EQ(texts.Shown(), "Alte AGB");
  EXPECT_FALSE(texts.IsChanged());

  // A save the database refuses keeps the page and its changes.
  texts.Edit("Neue AGB");
  db_.Close();
  prompter_.Queue(Answer::Yes);
  EXPECT_FALSE(ConfirmLeaveDesign(layout, texts, sets, prompter_));
  EXPECT_TRUE(texts.IsChanged());
}

TEST_F(DesignPageTest, TheSetShownIsTheShopsAndReadOnlySetsAreLocked) {
  MakeSet("Amber", true);
  MakeSet("Birke", false);
  GraphicSetTab sets(db_, dir_.path(), prompter_);
  sets.Open();
  // The shop names "Senator", which is not there: the first set is shown, nothing stored.
  EXPECT_EQ(sets.Library().Current().name, "Amber");
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(db_).GSet, "Senator");
  const GraphicSetControls locked = sets.Controls();
  EXPECT_FALSE(locked.editElements || locked.rename || locked.remove || locked.save);
  EXPECT_TRUE(locked.duplicate && locked.create);

  ASSERT_TRUE(sets.Choose("Birke"));
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(db_).GSet, "Birke");
  EXPECT_TRUE(sets.Controls().editElements && sets.Controls().remove);

  ASSERT_TRUE(sets.Rename("Buche"));
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(db_).GSet, "Buche") << "the shop follows its renamed set";

  prompter_.Queue(Answer::Yes);
  ASSERT_TRUE(sets.Delete());
  EXPECT_EQ(prompter_.Texts().back(), "Soll der Bildersatz 'Buche' wirklich gelöscht werden?\n");
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(db_).GSet, "Amber") << "the shop never names a deleted set";
}

}  // namespace
}  // namespace vendora
