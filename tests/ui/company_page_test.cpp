// The company page: the shop list and its buttons, the new-shop dialog, every company
// field through the database within its width, the logo.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "controls/form_controls.h"
#include "controls/preview_fields.h"
#include "new_shop_dialog.h"
#include "pages/company_page.h"
#include "shopdb/default_rows.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

namespace fs = std::filesystem;

// Longer than any field, with letters that take two bytes.
std::string Filler(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += (i % 7 == 3) ? "ü" : std::string(1, static_cast<char>('a' + i % 26));
  return s;
}

std::string FirstCharacters(const std::string& utf8, int n) { return U(Q(utf8).left(n)); }

TEST(CompanyPage, EveryFieldRoundTripsWithinItsWidth) {
  DesktopFixture f;
  f.AddShop("Laden");
  CompanyPage* page = f.Window().Company();
  // The widths of the Company table's text fields.
  const std::pair<const char*, int> widths[] = {
      {"StoreName", 64}, {"Company", 64}, {"Address1", 64}, {"Address2", 64},      {"City", 32},
      {"State", 8},      {"ZIP", 10},     {"Country", 64},  {"Phone1", 32},        {"Phone2", 32},
      {"Fax1", 32},      {"Fax2", 32},    {"EmailInfo", 255}, {"EmailSupport", 255}, {"EmailPress", 255},
      {"EmailSales", 255}};
  const std::string typed = Filler(300);
  // Addresses must be addresses, however long.
  const std::string address = "info@garten." + std::string(300, 'a');
  auto typedFor = [&](std::string_view field) { return field.starts_with("Email") ? address : typed; };
  for (const auto& [field, width] : widths)
    qobject_cast<QLineEdit*>(page->Fields().Editor(field))->setText(Q(typedFor(field)));
  const std::string memo = "Gartengeräte aller Art.\nSeit 1950 in Hannover.\n" + Filler(2000);
  qobject_cast<QPlainTextEdit*>(page->Fields().Editor("Description"))->setPlainText(Q(memo));
  qobject_cast<QPlainTextEdit*>(page->Fields().Editor("Keywords"))->setPlainText(QStringLiteral("Garten, Rasen"));
  qobject_cast<QCheckBox*>(page->Fields().Editor("LogoUseall"))->setChecked(true);
  ASSERT_TRUE(page->HasUnsavedChanges());
  ASSERT_TRUE(page->Save());
  EXPECT_TRUE(f.prompter.Texts().empty());

  const CompanyRow row = ReadSettingsRow<CompanyRow>(f.Db());
  for (const auto& [field, width] : widths)
    EXPECT_EQ(Stored(row, field), FirstCharacters(typedFor(field), width)) << field;
  EXPECT_EQ(row.Description, memo);
  EXPECT_EQ(row.Keywords, "Garten, Rasen");
  EXPECT_TRUE(row.LogoUseall);

  // Opened again, the page shows what was stored and holds no change.
  f.manager.CloseShop();
  f.manager.Choose(0);
  page->Refresh();
  EXPECT_EQ(U(qobject_cast<QLineEdit*>(page->Fields().Editor("State"))->text()), FirstCharacters(typed, 8));
  EXPECT_FALSE(page->HasUnsavedChanges());

  // Emptied, the required store name keeps the blank that means "none".
  qobject_cast<QLineEdit*>(page->Fields().Editor("StoreName"))->clear();
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(f.Db()).StoreName, " ");
  EXPECT_EQ(qobject_cast<QLineEdit*>(page->Fields().Editor("StoreName"))->text(), "");
}

TEST(CompanyPage, LogoIsCopiedShownAndRemoved) {
  DesktopFixture f;
  f.AddShop("Laden");
  CompanyPage* page = f.Window().Company();
  const fs::path picture = f.temp / "Firmenlogo.PNG";
  QImage image(120, 40, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  ASSERT_TRUE(image.save(QPath(picture), "PNG"));
  const fs::path imgs = f.manager.Paths().Subfolder(ShopSubfolder::Imgs);

  f.dialogs.pictureFiles.push_back(picture);
  page->ChooseLogo();
  EXPECT_FALSE(page->LogoPreview()->pixmap().isNull());
  EXPECT_TRUE(page->HasUnsavedChanges());
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(f.Db()).LogoExt, "png");
  EXPECT_TRUE(fs::exists(imgs / "logo.png"));
  EXPECT_FALSE(page->LogoPreview()->pixmap().isNull()) << "shown again from the shop's copy";

  page->RemoveLogo();
  EXPECT_TRUE(page->LogoPreview()->pixmap().isNull());
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(f.Db()).LogoExt, "");
  EXPECT_FALSE(fs::exists(imgs / "logo.png"));
}

TEST(CompanyPage, NewShopDialogAcceptsOnlyFileNames) {
  NewShopDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), "Neuen Shop erzeugen...");
  EXPECT_EQ(dialog.NameEdit()->maxLength(), 260);
  EXPECT_EQ(U(dialog.NameEdit()->toolTip()),
            "Geben Sie bitte einen normalen Dateinamen für Ihr neues Shop ein. Bitte beachten:\n"
            "Die folgenden Zeichen dürfen im Dateinamen nicht enthalten sein: * < > | \\ / * and ?.");
  const std::pair<const char*, bool> names[] = {{"Gartenwelt", true}, {"  Gartenwelt  ", true}, {"", false},
                                                {"   ", false},       {"a/b", false},          {"was?", false},
                                                {"a\\b", false},      {"<x>", false},          {"Stern*", false},
                                                {"Pfeife|", false},   {"Müller & Söhne", true}};
  for (const auto& [name, ok] : names) {
    dialog.SetName(QString::fromUtf8(name));
    EXPECT_EQ(dialog.OkButton()->isEnabled(), ok) << name;
  }
}

TEST(CompanyPage, FileDialogFiltersComeFromTheClassicForm) {
  EXPECT_EQ(DialogFilter("Vendora-Dateien(*.mdb)|*.mdb||"), "Vendora-Dateien(*.mdb)");
  EXPECT_EQ(DialogFilter("Bilder|*.gif;*.jpg|Alle|*.*||"), "Bilder (*.gif *.jpg);;Alle (*.*)");
}

TEST(CompanyPage, ShopListButtonsCreateAddAndRemove) {
  DesktopFixture f;
  CompanyPage* page = f.Window().Company();
  EXPECT_EQ(page->CompactButton()->toolTip(),
            "Hier klicken, um die verwendete Datenbank zu komprimieren und zu optimieren.");
  EXPECT_EQ(page->NewShopButton()->text(), "&Neuer Shop...");
  EXPECT_EQ(page->AddShopButton()->text(), "&Hinzufügen...");

  f.dialogs.shopNames.push_back("  Gartenwelt ");
  page->NewShop();
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Der neue Shop Gartenwelt wurde angelegt."});
  EXPECT_TRUE(fs::exists(f.manager.ProgramFolder() / "Gartenwelt" / "Gartenwelt.mdb"));
  f.AddShop("Blumenladen");
  ASSERT_EQ(page->ShopList()->count(), 2);
  EXPECT_EQ(page->ShopList()->item(0)->text(), "Gartenwelt");
  EXPECT_EQ(page->ShopList()->item(1)->text(), "Blumenladen");
  EXPECT_EQ(page->ShopList()->currentRow(), 1);

  // Choosing the other entry opens it; removing it (Yes) closes it and opens no other shop.
  page->ShopList()->setCurrentRow(0);
  EXPECT_EQ(f.manager.Database().Path().filename(), "Gartenwelt.mdb");
  f.prompter.Clear();
  f.prompter.Queue(Answer::Yes);
  page->RemoveShop();
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Wollen Sie wirklich 'Gartenwelt' aus der Shop-Liste entfernen?"});
  ASSERT_EQ(page->ShopList()->count(), 1);
  EXPECT_EQ(page->ShopList()->item(0)->text(), "Blumenladen");
  EXPECT_EQ(page->ShopList()->currentRow(), -1);
  EXPECT_FALSE(f.manager.IsShopOpen());
  EXPECT_TRUE(fs::exists(f.manager.ProgramFolder() / "Gartenwelt" / "Gartenwelt.mdb")) << "its files stay";
}

// A file that is no shop is not added; an entry that stopped opening stays chosen so
// that the merchant can remove it, and clicking it does not ask again and again.
TEST(CompanyPage, AnEntryThatCannotBeOpenedCanBeRemovedAndNoShopFileIsNotAdded) {
  DesktopFixture f;
  CompanyPage* page = f.Window().Company();
  const fs::path good = f.AddShop("Laden");
  test::WriteFileBytes(f.temp / "notizen.txt", "keine Datenbank");
  f.prompter.Clear();
  f.dialogs.shopFiles.push_back(f.temp / "notizen.txt");
  page->AddShop();
  EXPECT_EQ(f.prompter.Texts().size(), 1u);
  ASSERT_EQ(page->ShopList()->count(), 1) << "not added";
  EXPECT_TRUE(f.manager.IsShopOpen()) << "the shop open before stays open";
  EXPECT_EQ(f.manager.Database().Path().filename(), "Laden.mdb");

  // A listed shop whose file was damaged since.
  const fs::path broken = f.AddShop("Kaputt");
  f.manager.CloseShop();
  test::WriteFileBytes(broken, "keine Datenbank mehr");
  f.manager.Choose(0);
  page->Refresh();
  f.prompter.Clear();
  page->ShopList()->setCurrentRow(1);
  EXPECT_EQ(f.prompter.Texts().size(), 1u);
  EXPECT_EQ(page->ShopList()->currentRow(), 1) << "the entry stays chosen";
  page->ShopList()->setCurrentRow(1);
  EXPECT_EQ(f.prompter.Texts().size(), 1u) << "no second error for the same entry";
  f.prompter.Queue(Answer::Yes);
  page->RemoveShop();
  ASSERT_EQ(page->ShopList()->count(), 1);
  EXPECT_EQ(page->ShopList()->item(0)->text(), "Laden");
  (void)good;
}

}  // namespace
}  // namespace vendora::test
