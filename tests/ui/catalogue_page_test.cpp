// The catalogue page: a catalogue built only through the page's actions reaches the
// generated shop; moves, deletes and their questions; pictures kept until the tab is
// saved; typing into the item list's cells (lookup, decimal comma, refusals); a row
// another program deleted meanwhile.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <gtest/gtest.h>


#include "controls/record_list.h"
#include "pages/catalogue_page.h"
#include "pages/publish_page.h"
#include "rules/catalogue_edit.h"
#include "rules/catalogue_lists.h"
#include "shopdb/recordsets.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

namespace fs = std::filesystem;

struct CatalogueFixture : DesktopFixture {
  explicit CatalogueFixture(bool demo = false) {
    if (demo)
      AddDemoShop();
    else
      AddShop("Laden");
    Window().ShowPage(MainWindow::kCatalogue, 0);
    page = Window().Catalogue();
  }
  RecordList* List(const char* name) const {
    auto* list = page->findChild<RecordList*>(QString::fromLatin1(name));
    EXPECT_NE(list, nullptr) << name;
    return list;
  }
  void Click(const char* name) const {
    auto* button = page->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
    Settle();
  }
  // Types into the current row's cell as the merchant does: the editor opened in place,
  // the old text replaced, Return.
  void Type(RecordList* list, int column, const QString& text) const {
    const std::optional<int32_t> key = list->CurrentKey();
    ASSERT_TRUE(key) << U(list->objectName());
    list->EditCell(*key, column);
    QWidget* editor = nullptr;
    for (QWidget* w : list->View()->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (w->isVisible()) editor = w;
    ASSERT_NE(editor, nullptr);
    QLineEdit* line = qobject_cast<QLineEdit*>(editor);
    if (auto* chooser = qobject_cast<QComboBox*>(editor)) line = chooser->lineEdit();
    ASSERT_NE(line, nullptr);
    // Typed: the old text selected and replaced (key events would take ASCII only).
    line->selectAll();
    line->insert(text);
    list->CommitEdit();
    Settle();
  }
  std::string Cell(RecordList* list, int row, int column) const {
    return U(list->Model()->index(row, column).data().toString());
  }
  CataloguePage* page = nullptr;
};

TEST(CataloguePage, ACatalogueBuiltThroughThePageReachesTheGeneratedShop) {
  // The demo shop for its settings (server, shipping, mail); the catalogue part is new.
  CatalogueFixture f(true);
  f.Click("categoryAdd");
  f.Type(f.List("categoryList"), 0, QStringLiteral("Gartengeräte"));
  f.page->findChild<QPlainTextEdit*>(QStringLiteral("categoryDescription"))
      ->setPlainText(QStringLiteral("Alles für den Garten"));
  const int32_t category = *f.List("categoryList")->CurrentKey();

  f.page->Tabs()->setCurrentIndex(1);
  f.Click("kindAdd");
  f.Type(f.List("kindList"), 0, QStringLiteral("Farbe"));
  f.Click("valueAdd");
  f.Type(f.List("valueList"), 0, QStringLiteral("Grün"));

  f.page->Tabs()->setCurrentIndex(2);
  auto* chooser = f.page->findChild<QComboBox*>(QStringLiteral("productCategory"));
  chooser->setCurrentIndex(chooser->findData(category));
  f.Click("productAdd");
  f.Type(f.List("productList"), 0, QStringLiteral("Spaten"));
  auto* kind1 = f.page->findChild<QComboBox*>(QStringLiteral("productKind1"));
  kind1->setCurrentIndex(kind1->findText(QStringLiteral("Farbe")));
  emit kind1->activated(kind1->currentIndex());
  Settle();
  f.Click("itemAdd");
  RecordList* items = f.List("itemList");
  f.Type(items, 0, QStringLiteral("SP-1"));
  f.Type(items, 1, QStringLiteral("Grün"));
  f.Type(items, 4, QStringLiteral("24,95"));
  EXPECT_EQ(f.Cell(items, 0, 1), "Grün");
  EXPECT_EQ(f.Cell(items, 0, 4), "24.95");

  f.page->Tabs()->setCurrentIndex(3);
  f.Click("lineAdd");
  f.Type(f.List("lineList"), 0, QStringLiteral("Sommer"));
  const int32_t line = *f.List("lineList")->CurrentKey();
  f.page->Tabs()->setCurrentIndex(4);
  ASSERT_TRUE(f.List("assignCategoryList")->SelectKey(category));
  ASSERT_TRUE(f.List("assignLineList")->SelectKey(line));
  f.List("assignProductList")->SelectRow(0);
  f.Click("memberAdd");
  f.Click("memberAdd");  // the product is in the line already: nothing more
  EXPECT_EQ(f.List("memberList")->Model()->rowCount(), 1);
  for (int tab = 0; tab < kCatalogueTabCount; ++tab) {
    f.page->Tabs()->setCurrentIndex(tab);
    Settle();
    Screenshot(f.page, "page4_catalogue_tab" + std::to_string(tab));
  }
  EXPECT_TRUE(f.prompter.Texts().empty()) << f.prompter.Texts().front();

  // Leaving the page saves what it holds; the generated shop lists the product.
  f.prompter.Queue(Answer::Yes);
  ASSERT_TRUE(f.Window().ShowPage(MainWindow::kPublish, 0));
  EXPECT_EQ(CategoryList(f.Db()).back().Description, "Alles für den Garten");
  ASSERT_TRUE(f.Window().Publish()->Generate()) << f.prompter.Texts().back();
  const std::string toc = ReadFileBytes(f.manager.Paths().Subfolder(ShopSubfolder::Data) / "product.toc");
  EXPECT_NE(toc.find("Spaten"), std::string::npos) << toc;
  const std::vector<ItemsRow> stored = ItemList(f.Db(), ProductList(f.Db(), category).front().ID);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_FLOAT_EQ(stored[0].MPrice, 24.95f);
  EXPECT_EQ(stored[0].ItemNumber, "SP-1");
}

TEST(CataloguePage, MovesAndDeletesFollowTheListAndTheAnswer) {
  CatalogueFixture f;
  for (int i = 0; i < 3; ++i) f.Click("categoryAdd");
  RecordList* list = f.List("categoryList");
  const std::vector<CategoriesRow> before = CategoryList(f.Db());
  ASSERT_EQ(before.size(), 3u);
  list->SelectKey(before[2].ID);
  f.Click("categoryUp");
  std::vector<CategoriesRow> after = CategoryList(f.Db());
  EXPECT_EQ(after[1].ID, before[2].ID);
  EXPECT_EQ(list->CurrentKey(), before[2].ID) << "the moved row stays selected";

  // No keeps the category; Yes deletes it and selects the row now at its place.
  f.prompter.Queue(Answer::No);
  f.Click("categoryDelete");
  EXPECT_EQ(CategoryList(f.Db()).size(), 3u);
  EXPECT_EQ(f.prompter.Texts().back().rfind("Wollen Sie diese Kategorie wirklich löschen?\n\n", 0), 0u);
  f.prompter.Queue(Answer::Yes);
  f.Click("categoryDelete");
  after = CategoryList(f.Db());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(list->CurrentKey(), after[1].ID);
}

TEST(CataloguePage, PicturesWaitForTheSaveAndABadOneIsRefused) {
  CatalogueFixture f(true);
  const fs::path cats = f.manager.Paths().Subfolder(ShopSubfolder::Cats);
  RecordList* list = f.List("categoryList");
  list->SelectRow(0);
  const fs::path picture = f.temp / "knopf.png";
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  ASSERT_TRUE(image.save(QPath(picture), "PNG"));
  // The stored copies of the chosen picture.
  auto copies = [&] {
    int n = 0;
    if (fs::exists(cats))
      for (const auto& entry : fs::directory_iterator(cats)) n += ReadFileBytes(entry.path()) == ReadFileBytes(picture);
    return n;
  };
  const fs::path broken = f.temp / "kaputt.png";
  WriteFileBytes(broken, "kein Bild");

  f.dialogs.pictureFiles = {broken};
  f.Click("categoryButtonChoose");
  EXPECT_NE(f.prompter.Texts().back().find("kaputt.png"), std::string::npos) << f.prompter.Texts().back();
  f.dialogs.pictureFiles = {picture};
  f.Click("categoryButtonChoose");
  EXPECT_EQ(copies(), 0) << "only the save puts it in place";
  f.Click("categorySave");
  EXPECT_EQ(copies(), 1);

  // Chosen again and the page left without saving: the stored picture stays.
  list->SelectRow(1);
  f.dialogs.pictureFiles = {picture};
  f.Click("categoryButtonChoose");
  f.prompter.Queue(Answer::No);
  ASSERT_TRUE(f.Window().ShowPage(MainWindow::kCompany, 0));
  EXPECT_EQ(copies(), 1);
}

TEST(CataloguePage, TypedCellsAreCheckedAndAGoneRowIsSaid) {
  CatalogueFixture f(true);
  f.page->Tabs()->setCurrentIndex(2);
  RecordList* items = f.List("itemList");
  ASSERT_GT(items->Model()->rowCount(), 0);
  items->SelectRow(0);
  const std::string price = f.Cell(items, 0, 4);
  f.Type(items, 4, QString(45, QLatin1Char('9')));  // beyond a Single
  ASSERT_FALSE(f.prompter.Texts().empty());
  EXPECT_EQ(f.prompter.Texts().back(), "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n");
  EXPECT_EQ(f.Cell(items, 0, 4), price);
  f.Type(items, 1, QStringLiteral("Gibt es nicht"));
  ASSERT_EQ(f.prompter.Texts().size(), 2u);
  EXPECT_NE(f.prompter.Texts().back().find("\"Gibt es nicht\""), std::string::npos) << f.prompter.Texts().back();

  // Another program deletes the product: renaming it says so and the list follows.
  RecordList* products = f.List("productList");
  products->SelectRow(0);
  const int32_t gone = *products->CurrentKey();
  const int before = products->Model()->rowCount();
  f.Db().Execute("DELETE FROM Products WHERE ID = " + std::to_string(gone));
  f.Type(products, 0, QStringLiteral("Neuer Name"));
  EXPECT_EQ(f.prompter.Texts().back(), "Der Eintrag ist nicht mehr vorhanden; er wurde inzwischen gelöscht.");
  Settle(50);
  EXPECT_EQ(products->Model()->rowCount(), before - 1);
}

TEST(CataloguePage, ACsvImportShowsItsCheckBeforeAnythingIsWritten) {
  CatalogueFixture f(true);
  const fs::path file = f.temp / "katalog.csv";
  f.dialogs.dataFiles = {file};
  f.page->ExportCsv();
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(f.prompter.Texts().back().rfind("Der Katalog wurde in", 0), 0u) << f.prompter.Texts().back();

  // A renamed product: the check names the change, No keeps the shop as it is.
  std::string csv = ReadFileBytes(file);
  const std::string name = ProductList(f.Db(), CategoryList(f.Db()).front().ID).front().Name;
  std::string cell = "\"";  // as the file quotes it
  for (char c : name) cell += c == '"' ? std::string("\"\"") : std::string(1, c);
  cell += "\"";
  ASSERT_NE(csv.find(cell), std::string::npos) << cell;
  csv.replace(csv.find(cell), cell.size(), "Rasenmäher Deluxe");
  WriteFileBytes(file, csv);
  f.dialogs.dataFiles = {file};
  f.prompter.Queue(Answer::No);
  f.page->ImportCsv();
  const std::string question = f.prompter.Texts().back();
  EXPECT_NE(question.find("Probelauf, es wurde nichts geändert."), std::string::npos) << question;
  EXPECT_NE(question.find("Produkte: 1 neu"), std::string::npos) << question;
  EXPECT_EQ(ProductList(f.Db(), CategoryList(f.Db()).front().ID).front().Name, name);

  // A broken cell: every problem is shown, nothing is asked or written.
  WriteFileBytes(file, csv.substr(0, csv.find('\n') + 1) + "Kategorie;;x\n");
  f.dialogs.dataFiles = {file};
  f.prompter.Clear();
  f.page->ImportCsv();
  ASSERT_EQ(f.prompter.asked().size(), 1u);
  EXPECT_NE(f.prompter.Texts().back().find("Es wurde nichts importiert"), std::string::npos)
      << f.prompter.Texts().back();
}

}  // namespace
}  // namespace vendora::test
