// The design page: layout switches, fonts and texts through the database into the
// generated shop; the graphic set copied, coloured and written to the colour file.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <cstdio>

#include "controls/preview_fields.h"
#include "pages/design_page.h"
#include "app/demo_shop.h"
#include "common/log.h"
#include "generator/generation.h"
#include "shopdb/default_rows.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

namespace fs = std::filesystem;

// What perl reads back from a generated Perl file: the file must load, and the value
// must be the one typed.
std::string PerlValue(const fs::path& file, const std::string& expression) {
  const std::string command = "perl -e 'do \"" + file.string() + "\" or die \"$@$!\"; print " + expression + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

fs::path ShopFolder(DesktopFixture& f) { return f.manager.Paths().folder; }

TEST(DesignPage, LayoutFontsAndTextsReachTheGeneratedShop) {
  DesktopFixture f;
  f.OpenDemoShop();
  DesignPage shown(f.context);
  DesignPage* page = &shown;
  page->resize(1040, 700);
  page->show();
  page->Tabs()->setCurrentIndex(DesignPage::kLayoutTab);

  // Browser fonts grey the choosers; switched off, they take a name with quotes and a brace.
  page->Switch("UseDefaultFonts")->setChecked(true);
  EXPECT_FALSE(page->MainFont()->isEnabled());
  page->Switch("UseDefaultFonts")->setChecked(false);
  EXPECT_TRUE(page->MainFont()->isEnabled());
  EXPECT_GT(page->MainFont()->count(), 0);  // the machine's fonts
  page->MainFont()->setEditText(QStringLiteral("Ru\"by} Sans"));
  page->AltFont()->setEditText(QStringLiteral("Bit'stream"));
  EXPECT_EQ(page->MainFontSample()->font().families().value(0), QStringLiteral("Ru\"by} Sans"));

  // Vertical categories hide the wrap count, which keeps its value.
  page->CategoryWrapCount()->setValue(4);
  page->CategoryArrangement()->setCurrentIndex(1);
  EXPECT_TRUE(page->CategoryWrapCount()->isHidden());
  EXPECT_FALSE(page->Switch("CatVertDividers")->isHidden());
  page->Switch("UseThumbnails")->setChecked(false);
  page->Switch("GenerateDetails")->setChecked(true);
  EXPECT_EQ(page->ThumbnailLabel()->text(), " \"Mehr Info\" ");

  // No to the quality question puts the chooser back.
  const int quality = page->Quality()->currentIndex();
  const int other = quality == 0 ? 1 : 0;
  page->Quality()->setCurrentIndex(other);
  f.prompter.Queue(Answer::No);
  emit page->Quality()->activated(other);
  EXPECT_EQ(page->Quality()->currentIndex(), quality);
  ASSERT_FALSE(f.prompter.Texts().empty());
  EXPECT_EQ(f.prompter.Texts().back(),
            "Wenn Sie diese Änderung jetzt mit 'Ja' bestätigen, entfernt \nVendora ALLE bisher erstellten "
            "Miniaturbilder, um in der \ngewählten Qualitätsstufe neue Miniaturbilder zu erzeugen!");
  Screenshot(page, "page2_design_layout");
  ASSERT_TRUE(page->SaveLayout());

  const InterfacesRow row = ReadSettingsRow<InterfacesRow>(f.Db());
  EXPECT_EQ(row.MainFont, "Ru\"by} Sans");
  EXPECT_EQ(row.AltFont, "Bit'stream");
  EXPECT_FALSE(row.UseDefaultFonts);
  EXPECT_TRUE(row.CatHorizontal);  // entry 1, vertical
  EXPECT_EQ(row.CatHorzWrapOn, 4);
  EXPECT_FALSE(page->LayoutChanged());

  // Texts: a file imported at the caret goes between the words, it does not replace them.
  page->Tabs()->setCurrentIndex(DesignPage::kTextTab);
  page->Sections()->setCurrentIndex(0);  // "Begrüßung"
  EXPECT_EQ(page->Sections()->currentText(), "Begrüßung");
  page->Text()->setPlainText(QStringLiteral("Hallo Welt"));
  QTextCursor caret = page->Text()->textCursor();
  caret.setPosition(6);
  page->Text()->setTextCursor(caret);
  const fs::path imported = f.temp.path() / "gruss.txt";
  WriteFileBytes(imported, "sch\xF6ne ");  // Windows-1252, as older texts were written
  f.dialogs.dataFiles.push_back(imported);
  page->ImportButton()->click();
  EXPECT_EQ(page->Text()->toPlainText(), QStringLiteral("Hallo schöne Welt"));
  EXPECT_EQ(page->Text()->textCursor().position(), 13);
  // Another section and back: the text waited in memory.
  page->Sections()->setCurrentIndex(1);
  page->Sections()->setCurrentIndex(0);
  EXPECT_EQ(page->Text()->toPlainText(), QStringLiteral("Hallo schöne Welt"));
  Screenshot(page, "page2_design_texts");
  ASSERT_TRUE(page->SaveTexts());
  EXPECT_EQ(Rows<TextBlocksRow>(f.Db()).at(0).Welcome, "Hallo schöne Welt");

  ASSERT_TRUE(f.Generate());
  const fs::path config = ShopFolder(f) / "data" / "config.cnf";
  EXPECT_EQ(PerlValue(config, "$FontFace"), "Ru\"by} Sans,Bit'stream");
  EXPECT_EQ(PerlValue(config, "$ShopSet{Welcome}"), "Hallo sch\xF6ne Welt");  // the shop's code page
}

TEST(DesignPage, CopiedGraphicSetTakesTypedAndChosenColours) {
  DesktopFixture f;
  f.OpenDemoShop();
  DesignPage shown(f.context);
  DesignPage* page = &shown;
  page->resize(1040, 700);
  page->show();
  page->Tabs()->setCurrentIndex(DesignPage::kGraphicSetTab);
  ASSERT_NE(page->SetList()->currentItem(), nullptr);
  EXPECT_EQ(page->SetList()->currentItem()->text(), "Senator");
  // The built-in set is locked; a copy is not.
  EXPECT_FALSE(page->Colour(kGsBgColor)->isEnabled());
  EXPECT_FALSE(page->DeleteSetButton()->isEnabled());
  Screenshot(page, "page2_design_graphic_set");

  f.dialogs.names.push_back("Hausfarben");
  page->DuplicateButton()->click();
  ASSERT_EQ(page->SetList()->currentItem()->text(), "Hausfarben");
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(f.Db()).GSet, "Hausfarben");
  ASSERT_TRUE(page->Colour(kGsBgColor)->isEnabled());

  QLineEdit* background = page->Colour(kGsBgColor)->Edit();
  background->clear();
  QTest::keyClicks(background, "#1a2B3c");
  f.dialogs.colours.push_back(0x102030u);  // Qt's dialog answers red, green, blue
  page->Colour(kGsText)->Swatch()->click();
  EXPECT_EQ(page->Colour(kGsText)->Edit()->text(), "#102030");
  ASSERT_TRUE(page->SaveSetButton()->isEnabled());
  ASSERT_TRUE(page->SaveSet());
  EXPECT_FALSE(page->SaveSetButton()->isEnabled());

  ASSERT_TRUE(f.Generate());
  const std::string colours = ReadFileBytes(ShopFolder(f) / "data" / "color.cnf");
  EXPECT_NE(colours.find("$graphicSet{'CoBg'}\t= q{#1A2B3C};\n"), std::string::npos) << colours;
  EXPECT_NE(colours.find("$graphicSet{'CoNTxt'}\t= q{#102030};\n"), std::string::npos) << colours;
}

}  // namespace
}  // namespace vendora::test
