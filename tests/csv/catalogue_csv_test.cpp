#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/demo_shop.h"
#include "commands.h"
#include "common/text_format.h"
#include "csv/catalogue_export.h"
#include "csv/catalogue_import.h"
#include "csv/csv_columns.h"
#include "common/output_file.h"
#include "imaging/image_file.h"
#include "rules/catalogue_rules.h"
#include "shopdb/default_rows.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr std::string_view kHeader =
    "Kategorie;Kategorie-Reihenfolge;Kategorie-Beschreibung;Kategorie veröffentlicht;Kategorie-Bild Schaltfläche;"
    "Kategorie-Bild Überschrift;Produkt;Produkt-Reihenfolge;Kurzbeschreibung;Langbeschreibung;Steuerart;Steuersatz;"
    "Indexeintrag;Attribut 1;Attribut 2;Produkt veröffentlicht;Produktlinien;Produktbild;Artikelnummer;"
    "Attributwert 1;Attributwert 2;Gewicht;Versandkosten;Preis;Preis 2. Währung;Artikel veröffentlicht";

void DrawPicture(const fs::path& file, int width, int height) {
  CImageFile image;
  ASSERT_TRUE(image.CreateImpl(file.string(), FormatFromFileName(file.string())));
  ASSERT_TRUE(image.Create(width, height, 24));
  ASSERT_TRUE(image.Save(file.string()));
}

class CatalogueCsvTest : public ::testing::Test {
 protected:
  // A new, empty shop with its folders; returns its paths and leaves it open in `db`.
  ShopPaths NewShop(ShopDatabase& db, const std::string& name) {
    const ShopPaths paths = DeriveShopPaths(dir_ / name / (name + ".mdb"));
    EXPECT_TRUE(CreateShopFolders(paths));
    test::CreateShopFile(paths.database);
    db.Open(paths.database);
    EnsureDefaultRows(db);
    return paths;
  }
  CatalogueImportReport Import(ShopDatabase& db, const ShopPaths& paths, const fs::path& file,
                               ImportMode mode = ImportMode::Merge, bool dryRun = false) {
    return ImportCatalogue(db, paths, file, {mode, dryRun});
  }
  fs::path Export(ShopDatabase& db, const ShopPaths& paths, const std::string& name,
                  CatalogueExportOptions options = {}) {
    fs::create_directories(dir_ / "out");
    const fs::path file = dir_ / "out" / name;
    const CatalogueExportReport report = ExportCatalogue(db, paths, file, options);
    EXPECT_TRUE(report.status.ok()) << report.status.message();
    return file;
  }
  fs::path Csv(const std::string& name, const std::string& body, std::string_view header = kHeader) {
    const fs::path file = dir_ / name;
    WriteFileBytes(file, std::string(header) + "\n" + body);
    return file;
  }
  template <class Row>
  std::vector<Row> All(ShopDatabase& db, const Criteria& filter = {}) {
    return test::Rows<Row>(db, filter);
  }
  static std::vector<std::string> Texts(const CatalogueImportReport& report) {
    std::vector<std::string> texts;
    for (const auto& e : report.errors) texts.push_back(e.Text());
    return texts;
  }
  test::TempDir dir_;
};

TEST_F(CatalogueCsvTest, DemoShopRoundTripsByteForByteAndMergesIntoItselfUnchanged) {
  DemoShopOptions demo;
  demo.products = 40;
  const ShopPaths source = DeriveShopPaths(CreateDemoShop(dir_ / "demo", demo).value());
  ShopDatabase db;
  db.Open(source.database);
  const fs::path first = Export(db, source, "erste.csv");
  EXPECT_TRUE(ReadFileBytes(first).starts_with("\xEF\xBB\xBF" "Kategorie;Kategorie-Reihenfolge;"));

  ShopDatabase target;
  const ShopPaths copy = NewShop(target, "Kopie");
  const CatalogueImportReport report = Import(target, copy, first);
  ASSERT_TRUE(report.ok) << ::testing::PrintToString(Texts(report));
  EXPECT_EQ(report.categories.added, 6);
  EXPECT_EQ(report.products.added, 40);
  EXPECT_EQ(report.items.added, 120);
  EXPECT_EQ(report.taxTypesAdded, 2);
  // The pictures were copied into the new shop under its own keys, not linked.
  const auto products = All<ProductsRow>(target);
  ASSERT_FALSE(products.empty());
  const fs::path picture = copy.Subfolder(ShopSubfolder::Prods) / Format("%d.jpg", products[0].ID);
  EXPECT_TRUE(fs::exists(picture));
  EXPECT_EQ(fs::hard_link_count(picture), 1u);
  const fs::path second = Export(target, copy, "zweite.csv");
  EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));
  for (const auto& entry : fs::directory_iterator(PictureFolderOf(first)))
    EXPECT_EQ(ReadFileBytes(entry.path()), ReadFileBytes(PictureFolderOf(second) / entry.path().filename()));

  // The same file merged into the shop it came from changes nothing.
  SetDatabaseChanged(false);
  const auto again = Import(db, source, first);
  ASSERT_TRUE(again.ok);
  EXPECT_EQ(again.products.unchanged, 40);
  EXPECT_EQ(again.items.unchanged, 120);
  EXPECT_EQ(again.products.changed + again.items.changed + again.categories.changed, 0);
  EXPECT_FALSE(again.changed);
  EXPECT_FALSE(IsDatabaseChanged());
}

TEST_F(CatalogueCsvTest, EveryFieldSurvivesARoundTripWithCommasAndDecimalCommas) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Hand");
  const int32_t reduced = test::AddRow(db, TaxesByTypeRow{.Type = "Ermäßigt", .Rate = 7});
  {
    CatalogueRules rules(db);
    CategoriesRow tools = rules.NewCategory();
    tools.Name = "=Werkzeug";
    tools.Order = 5;
    tools.Include = false;
    tools.Description = "Zwei\r\nZeilen; mit \"Zitat\"";
    const int32_t toolsId = rules.Add(tools);
    CategoriesRow empty = rules.NewCategory();
    empty.Name = "Leer";
    rules.Add(empty);
    DrawPicture(paths.Subfolder(ShopSubfolder::Cats) / Format("h%d.jpg", toolsId), 30, 10);

    const int32_t size = rules.AddAttributeKind("Größe");
    const int32_t large = rules.AddAttributeValue(size, "+Groß");
    ProductsRow spade = rules.NewProduct(toolsId);
    spade.Name = "Spaten|Gabel\r\nkombiniert";
    spade.ShortDesc = "-20 % Ω";
    spade.LongDesc = "€ und 漢字";
    spade.TaxID = reduced;
    spade.IndexID = rules.AddIndexEntry("Werkzeug");
    spade.AttributeID2 = size;
    spade.Available = false;
    spade.ID = rules.Add(spade);
    DrawPicture(paths.Subfolder(ShopSubfolder::Prods) / Format("%d.png", spade.ID), 40, 20);
    for (const char* lineName : {"Profis", "A|B"}) {
      LinesRow line = rules.NewLine();
      line.Name = lineName;
      rules.AddToLine(rules.Add(line), spade.ID, spade.Name);
    }
    ItemsRow item = rules.NewItem(spade);
    item.ItemNumber = "@1";
    item.SubAttrID2 = large;
    item.Weight = 0.1f;
    item.Shipping = 3.5f;
    item.MPrice = 1234.5f;
    item.SPrice = 1333.26f;
    item.Available = false;
    rules.Add(item);
    ProductsRow bare = rules.NewProduct(toolsId);
    bare.Name = " Ohne Artikel ";
    rules.Add(bare);
  }
  const CatalogueExportOptions options{',', true};
  const fs::path first = Export(db, paths, "hand.csv", options);

  ShopDatabase target;
  const ShopPaths copy = NewShop(target, "Ziel");
  const CatalogueImportReport report = Import(target, copy, first);
  ASSERT_TRUE(report.ok) << ::testing::PrintToString(Texts(report));
  EXPECT_EQ(report.delimiter, ',');
  EXPECT_EQ(ReadFileBytes(Export(target, copy, "ziel.csv", options)), ReadFileBytes(first));

  const auto categories = All<CategoriesRow>(target);
  ASSERT_EQ(categories.size(), 2u);
  EXPECT_EQ(categories[0].Name, "=Werkzeug");
  EXPECT_EQ(categories[0].Order, 5);
  EXPECT_FALSE(categories[0].Include);
  EXPECT_EQ(categories[0].Description, "Zwei\r\nZeilen; mit \"Zitat\"");
  EXPECT_EQ(categories[1].Name, "Leer");
  EXPECT_EQ(categories[1].Order, 6);
  const auto spade = All<ProductsRow>(target, Eq("ShortDesc", "-20 % Ω"));
  ASSERT_EQ(spade.size(), 1u);
  EXPECT_EQ(spade[0].Name, "Spaten|Gabel\r\nkombiniert");
  EXPECT_FALSE(spade[0].Available);
  const auto members = All<ProdLinesRow>(target, Eq("ProductID", spade[0].ID));
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].Name, "Spaten|Gabel\r\nkombiniert");
  EXPECT_EQ(All<LinesRow>(target, Eq("ID", members[1].LineID))[0].Name, "A|B");
  const auto items = All<ItemsRow>(target, Eq("ProductID", spade[0].ID));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].MPrice, 1234.5f);
  EXPECT_EQ(items[0].SPrice, 1333.26f);
  EXPECT_EQ(All<SubAttributesRow>(target, Eq("ID", items[0].SubAttrID2))[0].Name, "+Groß");
  // The product without attributes has the blank value of the blank kind on its item.
  CatalogueRules rules(target);
  EXPECT_EQ(items[0].SubAttrID1, rules.NoValueOf(rules.NoAttributeKind()));
  // Characters outside the code page are kept; the generated files escape them.
  EXPECT_EQ(ToCodePage(spade[0].LongDesc), "\x80 und &#28450;&#23383;");
  // A spreadsheet does not run a neutralised text.
  EXPECT_NE(ReadFileBytes(first).find("\r\n'=Werkzeug,"), std::string::npos);
}

TEST_F(CatalogueCsvTest, MergeUpdatesAndAddsWhileReplaceStartsAfresh) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  int32_t oldCategory = 0;
  {
    CatalogueRules rules(db);
    CategoriesRow tools = rules.NewCategory();
    tools.Name = "Werkzeug";
    const int32_t toolsId = rules.Add(tools);
    for (const char* name : {"Spaten", "Rechen"}) {
      ProductsRow p = rules.NewProduct(toolsId);
      p.Name = name;
      p.ID = rules.Add(p);
      for (const char* number : {"S-1", "S-2", "S-3"}) {
        ItemsRow item = rules.NewItem(p);
        item.ItemNumber = number;
        item.MPrice = 10;
        rules.Add(item);
      }
    }
    CategoriesRow old = rules.NewCategory();
    old.Name = "Alt";
    oldCategory = rules.Add(old);
    DrawPicture(paths.Subfolder(ShopSubfolder::Cats) / Format("b%d.png", oldCategory), 8, 8);
  }
  const fs::path file = Csv("neu.csv",
                            "Werkzeug;Spaten;12;S-1;Größe;Klein\n"
                            "Werkzeug;Spaten;10;S-2;;Groß\n"
                            "Werkzeug;Spaten;7;S-4;;\n"
                            "Neu;Schaufel;3,5;N-1;;\n",
                            "Kategorie;Produkt;Preis;Artikelnummer;Attribut 1;Attributwert 1");
  SetDatabaseChanged(false);
  const auto merged = Import(db, paths, file);
  ASSERT_TRUE(merged.ok) << ::testing::PrintToString(Texts(merged));
  EXPECT_TRUE(merged.changed);
  EXPECT_TRUE(IsDatabaseChanged());
  EXPECT_EQ(merged.categories.unchanged, 1);
  EXPECT_EQ(merged.categories.added, 1);
  EXPECT_EQ(merged.products.changed, 1);
  EXPECT_EQ(merged.products.added, 1);
  EXPECT_EQ(merged.items.changed, 2);  // S-1 and S-2 get a size, S-1 a new price
  EXPECT_EQ(merged.items.added, 2);
  EXPECT_EQ(merged.kindsAdded, 1);
  EXPECT_EQ(merged.valuesAdded, 2);
  const auto spade = All<ProductsRow>(db, Eq("Name", "Spaten"))[0];
  const auto items = All<ItemsRow>(db, Eq("ProductID", spade.ID));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].MPrice, 12.0f);
  EXPECT_EQ(items[1].MPrice, 10.0f);
  EXPECT_EQ(items[3].ItemNumber, "S-4");
  EXPECT_EQ(items[3].Order, 3);
  // S-3 was not in the file: kept, with the blank value of the product's new kind.
  EXPECT_EQ(items[2].SubAttrID1, All<SubAttributesRow>(db, Eq("MainAttrID", spade.AttributeID1) && Eq("Name", " "))[0].ID);
  EXPECT_EQ(All<ProductsRow>(db).size(), 3u);
  EXPECT_EQ(All<CategoriesRow>(db).size(), 3u);

  const auto replaced = Import(db, paths, file, ImportMode::Replace);
  ASSERT_TRUE(replaced.ok);
  EXPECT_EQ(replaced.categories.removed, 3);
  EXPECT_EQ(replaced.products.removed, 3);
  EXPECT_EQ(replaced.items.removed, 8);
  EXPECT_EQ(All<CategoriesRow>(db).size(), 2u);
  EXPECT_EQ(All<ProductsRow>(db).size(), 2u);
  EXPECT_EQ(All<ItemsRow>(db).size(), 4u);
  EXPECT_FALSE(fs::exists(paths.Subfolder(ShopSubfolder::Cats) / Format("b%d.png", oldCategory)));
  // The kinds are made anew; the blank ones and the tax types stay.
  EXPECT_EQ(All<MainAttributesRow>(db).size(), 2u);
  EXPECT_EQ(All<TaxesByTypeRow>(db).size(), 1u);
}

TEST_F(CatalogueCsvTest, AnyInvalidRowChangesNothingAndEveryOneIsNamed) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  fs::create_directories(dir_ / "gross-Bilder");
  WriteFileBytes(dir_ / "gross-Bilder" / "notiz.txt", "kein Bild");
  WriteFileBytes(dir_ / "gross-Bilder" / "kaputt.jpg", "kein JPEG");
  std::string body;
  const int rows = 100000;
  for (int i = 2; i <= rows + 1; ++i) {
    std::string shortDesc = "gut", tax, picture, price = "9,95";
    if (i == 20000) price = "9,95 EUR";
    if (i == 40000) shortDesc = std::string(256, 'x');
    if (i == 50001) tax = "Luxus";
    if (i == 60000) picture = "fehlt.png";
    if (i == 70000) picture = "notiz.txt";
    if (i == 80000) picture = "kaputt.jpg";
    body += Format("Kategorie %d;;;;;;Produkt %d;;%s;;%s;;;;;;;%s;A-%d;;;;;%s;;\n", i % 7, i / 3, shortDesc, tax,
                   picture, i, price);
  }
  const fs::path file = Csv("gross.csv", body);
  SetDatabaseChanged(false);
  const auto report = Import(db, paths, file);
  EXPECT_FALSE(report.ok);
  EXPECT_FALSE(report.changed);
  EXPECT_FALSE(IsDatabaseChanged());
  EXPECT_EQ(Texts(report),
            (std::vector<std::string>{
                "Zeile 20000, Spalte „Preis“: „9,95 EUR“ ist keine Zahl.",
                "Zeile 40000, Spalte „Kurzbeschreibung“: Der Text ist mit 256 Zeichen zu lang für dieses Feld "
                "(höchstens 255 Zeichen).",
                "Zeile 50001, Spalte „Steuerart“: Die Steuerart „Luxus“ gibt es in diesem Shop nicht; ohne ihren Satz "
                "in der Spalte „Steuersatz“ kann sie nicht angelegt werden.",
                "Zeile 60000, Spalte „Produktbild“: Das Bild „fehlt.png“ wurde im Bilderordner „gross-Bilder“ nicht "
                "gefunden.",
                "Zeile 70000, Spalte „Produktbild“: „notiz.txt“ ist kein Bild (erlaubt sind BMP, GIF, JPEG und PNG).",
                "Zeile 80000, Spalte „Produktbild“: „kaputt.jpg“ ist kein lesbares Bild.",
            }));
  EXPECT_TRUE(All<CategoriesRow>(db).empty());
  EXPECT_TRUE(All<ItemsRow>(db).empty());

  // A dry run of a valid file counts what it would do and keeps nothing.
  const fs::path valid = Csv("klein.csv", "Garten;;;;;;Spaten;;;;;;;;;;;;S-1;;;;;1;;\n");
  const auto dry = Import(db, paths, valid, ImportMode::Merge, true);
  EXPECT_TRUE(dry.ok);
  EXPECT_FALSE(dry.changed);
  EXPECT_EQ(dry.items.added, 1);
  EXPECT_TRUE(All<CategoriesRow>(db).empty());
  EXPECT_FALSE(IsDatabaseChanged());
}

TEST_F(CatalogueCsvTest, PicturesAreTakenOnlyFromInsideThePictureFolder) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  // A picture the merchant can read, but that no file of a supplier may bring into the shop.
  fs::create_directories(dir_ / "privat");
  DrawPicture(dir_ / "privat" / "urlaub.png", 4, 4);
  const fs::path folder = dir_ / "liste-Bilder";
  fs::create_directories(folder / "echt");
  DrawPicture(folder / "gut.png", 4, 4);
  DrawPicture(folder / "echt" / "tief.png", 4, 4);
  DrawPicture(dir_ / "neben.png", 4, 4);  // beside the file, not in its folder
  fs::create_symlink(dir_ / "privat" / "urlaub.png", folder / "link.png");
  fs::create_symlink("../privat/urlaub.png", folder / "relativ.png");
  fs::create_directory_symlink(dir_ / "privat", folder / "unter");
  fs::create_symlink("echt/tief.png", folder / "innen.png");  // a link that stays inside is fine

  // Rows for products without items.
  const std::string_view pictureHeader = "Kategorie;Produkt;Produktbild;Artikelnummer";
  const std::string outside = (dir_ / "privat" / "urlaub.png").string();
  const std::string rows[] = {"gut.png",      outside,           "../privat/urlaub.png", "echt/../../privat/urlaub.png",
                              "..\\privat\\urlaub.png", "link.png", "relativ.png",          "unter/urlaub.png",
                              "neben.png",    "innen.png",       "echt\\tief.png"};
  std::string body;
  for (size_t i = 0; i < std::size(rows); ++i) body += Format("Garten;Produkt %d;%s;\n", static_cast<int>(i), rows[i]);
  const fs::path file = Csv("liste.csv", body, pictureHeader);
  const auto report = Import(db, paths, file);
  EXPECT_FALSE(report.ok);
  const std::string tail = "; genommen werden nur Bilder darin.";
  EXPECT_EQ(Texts(report),
            (std::vector<std::string>{
                "Zeile 3, Spalte „Produktbild“: Das Bild „" + outside +
                    "“ ist mit einem absoluten Pfad angegeben; genommen werden nur Bilder aus dem Bilderordner "
                    "„liste-Bilder“ neben der Datei.",
                "Zeile 4, Spalte „Produktbild“: Das Bild „../privat/urlaub.png“ führt mit „..“ aus dem Bilderordner "
                "„liste-Bilder“ hinaus" + tail,
                "Zeile 5, Spalte „Produktbild“: Das Bild „echt/../../privat/urlaub.png“ führt mit „..“ aus dem "
                "Bilderordner „liste-Bilder“ hinaus" + tail,
                "Zeile 6, Spalte „Produktbild“: Das Bild „..\\privat\\urlaub.png“ führt mit „..“ aus dem Bilderordner "
                "„liste-Bilder“ hinaus" + tail,
                "Zeile 7, Spalte „Produktbild“: Das Bild „link.png“ ist ein Verweis auf eine Datei außerhalb des "
                "Bilderordners „liste-Bilder“" + tail,
                "Zeile 8, Spalte „Produktbild“: Das Bild „relativ.png“ ist ein Verweis auf eine Datei außerhalb des "
                "Bilderordners „liste-Bilder“" + tail,
                "Zeile 9, Spalte „Produktbild“: Das Bild „unter/urlaub.png“ ist ein Verweis auf eine Datei außerhalb "
                "des Bilderordners „liste-Bilder“" + tail,
                "Zeile 10, Spalte „Produktbild“: Das Bild „neben.png“ wurde im Bilderordner „liste-Bilder“ nicht "
                "gefunden.",
            }));
  EXPECT_TRUE(All<ProductsRow>(db).empty());
  EXPECT_TRUE(fs::is_empty(paths.Subfolder(ShopSubfolder::Prods)));

  // What lies inside is taken, through a link that stays inside too.
  const fs::path good = Csv("liste.csv", "Garten;Innen;innen.png;\nGarten;Gut;gut.png;\n", pictureHeader);
  const auto taken = Import(db, paths, good);
  ASSERT_TRUE(taken.ok) << ::testing::PrintToString(Texts(taken));
  const auto products = All<ProductsRow>(db);
  ASSERT_EQ(products.size(), 2u);
  const fs::path copied = paths.Subfolder(ShopSubfolder::Prods) / Format("%d.png", products[0].ID);
  EXPECT_EQ(ReadFileBytes(copied), ReadFileBytes(folder / "echt" / "tief.png"));
  EXPECT_FALSE(fs::is_symlink(copied));

  // A picture folder that is itself a link to another folder gives nothing.
  fs::create_directory_symlink(dir_ / "privat", dir_ / "fremd-Bilder");
  const fs::path linked = Csv("fremd.csv", "Garten;Fremd;urlaub.png;\n", pictureHeader);
  EXPECT_EQ(Texts(Import(db, paths, linked)),
            (std::vector<std::string>{"Zeile 2, Spalte „Produktbild“: Das Bild „urlaub.png“ wird nicht genommen: der "
                                      "Bilderordner „fremd-Bilder“ ist ein Verweis auf einen anderen Ordner."}));
}

TEST_F(CatalogueCsvTest, AnItemNumberNamesOneItemOfItsProduct) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  int32_t spadeId = 0;
  {
    CatalogueRules rules(db);
    CategoriesRow tools = rules.NewCategory();
    tools.Name = "Werkzeug";
    ProductsRow spade = rules.NewProduct(rules.Add(tools));
    spade.Name = "Spaten";
    spadeId = spade.ID = rules.Add(spade);
    // The catalogue page lets a number stand twice.
    for (const char* number : {"S-1", "S-2", "S-2"}) {
      ItemsRow item = rules.NewItem(spade);
      item.ItemNumber = number;
      item.MPrice = 10;
      rules.Add(item);
    }
  }
  const std::string_view header = "Kategorie;Produkt;Artikelnummer;Preis";
  const fs::path file = Csv("doppelt.csv",
                            "Werkzeug;Spaten;S-1;11\n"
                            "Werkzeug;Spaten;S-1;12\n"  // would add a second S-1
                            "Werkzeug;Rechen;S-1;5\n"   // another product may have it
                            "Werkzeug;Spaten;S-2;13\n"  // which of the shop's two?
                            "Werkzeug;Spaten;S-3;1\n"
                            "Garten;Spaten;S-3;1\n"     // another category's product
                            "Werkzeug;Rechen;S-1;6\n",
                            header);
  const std::vector<std::string> expected = {
      "Zeile 3, Spalte „Artikelnummer“: Die Artikelnummer „S-1“ steht für das Produkt „Spaten“ schon in Zeile 2; "
      "eine Artikelnummer bezeichnet genau einen Artikel ihres Produkts.",
      "Zeile 5, Spalte „Artikelnummer“: Das Produkt „Spaten“ hat im Shop 2 Artikel mit der Nummer „S-2“; die Zeile "
      "lässt sich keinem davon zuordnen. Geben Sie ihnen im Shop zuerst verschiedene Nummern.",
      "Zeile 8, Spalte „Artikelnummer“: Die Artikelnummer „S-1“ steht für das Produkt „Rechen“ schon in Zeile 4; "
      "eine Artikelnummer bezeichnet genau einen Artikel ihres Produkts.",
  };
  for (bool dryRun : {true, false}) {
    const auto report = Import(db, paths, file, ImportMode::Merge, dryRun);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(Texts(report), expected) << dryRun;
    EXPECT_EQ(All<ItemsRow>(db).size(), 3u);
  }
  // Replacing the catalogue leaves no shop items to mix up, but the file must still be right.
  const auto replaced = Import(db, paths, file, ImportMode::Replace);
  EXPECT_EQ(Texts(replaced), (std::vector<std::string>{expected[0], expected[2]}));
  EXPECT_EQ(All<ItemsRow>(db).size(), 3u);

  // Each number once: S-1 is updated, S-3 added, and the shop's two S-2 are left alone.
  const auto merged = Import(db, paths, Csv("einmal.csv", "Werkzeug;Spaten;S-1;11\nWerkzeug;Spaten;S-3;1\n", header));
  ASSERT_TRUE(merged.ok) << ::testing::PrintToString(Texts(merged));
  EXPECT_EQ(merged.items.changed, 1);
  EXPECT_EQ(merged.items.added, 1);
  const auto items = All<ItemsRow>(db, Eq("ProductID", spadeId));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].ItemNumber, "S-1");
  EXPECT_EQ(items[0].MPrice, 11.0f);
  EXPECT_EQ(items[3].ItemNumber, "S-3");
}

TEST_F(CatalogueCsvTest, AmountsAreTakenOnlyWhenTheShopKeepsThemToTheCent) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  const std::string_view header = "Kategorie;Produkt;Artikelnummer;Preis;Preis 2. Währung;Versandkosten;Gewicht";
  const fs::path file = Csv("preise.csv",
                            "Garten;Spaten;A-1;131071,99;9,990;1.234.567,00;0,125\n"
                            "Garten;Spaten;A-2;131072,01;;;\n"
                            "Garten;Spaten;A-3;1.234.567,891;;;\n"
                            "Garten;Spaten;A-4;1.234.567,89;;;\n"
                            "Garten;Spaten;A-5;;0,005;;\n"
                            "Garten;Spaten;A-6;;;16777217;\n"
                            "Garten;Spaten;A-7;167772,15;167772,16;;\n",
                            header);
  const auto report = Import(db, paths, file);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(Texts(report),
            (std::vector<std::string>{
                "Zeile 3, Spalte „Preis“: „131072,01“ lässt sich nicht auf den Cent genau speichern; der Shop würde "
                "131072,02 daraus machen.",
                "Zeile 4, Spalte „Preis“: „1.234.567,891“ hat mehr als zwei Nachkommastellen; der Shop rechnet auf den "
                "Cent genau.",
                "Zeile 5, Spalte „Preis“: „1.234.567,89“ lässt sich nicht auf den Cent genau speichern; der Shop würde "
                "1234567,88 daraus machen.",
                "Zeile 6, Spalte „Preis 2. Währung“: „0,005“ hat mehr als zwei Nachkommastellen; der Shop rechnet auf "
                "den Cent genau.",
                "Zeile 7, Spalte „Versandkosten“: „16777217“ lässt sich nicht auf den Cent genau speichern; der Shop "
                "würde 16777216,00 daraus machen.",
                "Zeile 8, Spalte „Preis“: „167772,15“ lässt sich nicht auf den Cent genau speichern; der Shop würde "
                "167772,16 daraus machen.",
            }));
  EXPECT_TRUE(All<ItemsRow>(db).empty());

  // Below 131072 every cent survives; trailing zeros are no extra decimals; a weight is no amount.
  ASSERT_TRUE(Import(db, paths, Csv("gut.csv", "Garten;Spaten;A-1;131071,99;9,990;1.234.567,00;0,125\n", header)).ok);
  const auto items = All<ItemsRow>(db);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].MPrice, 131071.9921875f);
  EXPECT_EQ(items[0].SPrice, 9.99f);
  EXPECT_EQ(items[0].Shipping, 1234567.0f);
  EXPECT_EQ(items[0].Weight, 0.125f);
}

TEST_F(CatalogueCsvTest, SpreadsheetFileIsReadFieldByField) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  // Windows-1252, semicolons, decimal commas, own column order, an extra column, and the
  // product's columns only on its first row.
  const std::string file =
      "Artikelnummer;Preis;Produkt;Kategorie;Bemerkung;Kurzbeschreibung;Gewicht;Artikel ver\xF6" "ffentlicht;"
      "Steuerart;Steuersatz;Produktlinien\r\n"
      "R-1;1.234,50;Rosenschere;G\xE4rten;egal;\"Scharf;\r\nleicht\";0,25;Nein;Voll;19,0;'=Sommer|Profis\r\n"
      "R-2;2,5;Rosenschere;G\xE4rten;;;1;ja;;;\r\n";
  WriteFileBytes(dir_ / "tabelle.csv", file);
  const auto report = Import(db, paths, dir_ / "tabelle.csv");
  ASSERT_TRUE(report.ok) << ::testing::PrintToString(Texts(report));
  EXPECT_EQ(report.encoding, CsvEncoding::Windows1252);
  EXPECT_EQ(report.warnings, (std::vector<std::string>{"Die Spalte „Bemerkung“ ist unbekannt und wird übergangen."}));
  const auto categories = All<CategoriesRow>(db);
  ASSERT_EQ(categories.size(), 1u);
  EXPECT_EQ(categories[0].Name, "Gärten");
  EXPECT_TRUE(categories[0].Include);
  const auto products = All<ProductsRow>(db);
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(products[0].ShortDesc, "Scharf;\r\nleicht");
  EXPECT_EQ(All<TaxesByTypeRow>(db, Eq("ID", products[0].TaxID))[0].Rate, 19.0f);
  const auto items = All<ItemsRow>(db);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].ItemNumber, "R-1");
  EXPECT_EQ(items[0].MPrice, 1234.5f);
  EXPECT_EQ(items[0].Weight, 0.25f);
  EXPECT_FALSE(items[0].Available);
  EXPECT_EQ(items[1].MPrice, 2.5f);
  EXPECT_TRUE(items[1].Available);
  const auto lines = All<LinesRow>(db);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Name, "=Sommer");
  EXPECT_EQ(lines[0].Order, 0);
  EXPECT_EQ(lines[1].Order, 1);
}

TEST_F(CatalogueCsvTest, BadFilesAreRefusedWithTheirReason) {
  ShopDatabase db;
  const ShopPaths paths = NewShop(db, "Laden");
  const std::string row = "Garten;;;;;;Spaten;;;;;;;;;;;;S-1;;;;;1;;\n";
  const struct {
    std::string bytes;
    const char* first;
  } cases[] = {
      {std::string("\x89PNG\r\n\x1A\n\0\0", 10), "Die Datei ist keine Textdatei."},
      {"", "Die Datei ist leer."},
      {"Kategorie;Preis\nGarten;1\n", "Zeile 1: Die Kopfzeile hat keine Spalte „Produkt“; sie muss es geben."},
      {std::string(kHeader) + "\n" + row + "Garten;Spaten;S-2\n", "Zeile 3: Die Zeile hat 3 Felder, die Kopfzeile 26."},
      {std::string(kHeader) + "\n" + row + "\"Garten;;\n", "Zeile 3: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen."},
      {std::string(kHeader) + "\n" + "Garten;;;;;;Spaten;;;\"" + std::string(10 << 20, 'y') + "\";;;;;;;;;S-1;;;;;;;\n",
       "Zeile 2, Spalte „Langbeschreibung“: Der Text ist mit 10485760 Zeichen zu lang für dieses Feld (höchstens "
       "65535 Zeichen)."},
      {std::string(kHeader) + "\n" + ";;;;;;Spaten;;;;;;;;;;;;S-1;;;;;;;\n", "Zeile 2, Spalte „Kategorie“: Die Kategorie fehlt."},
      {std::string(kHeader) + "\n" + "Garten;;;;;;Spaten;;;;;;;;;;;;S-1;Groß;;;;;;\n",
       "Zeile 2, Spalte „Attributwert 1“: Das Produkt hat kein Attribut 1; der Wert „Groß“ kann keinem Attribut "
       "gehören."},
      {std::string(kHeader) + "\n" + row + "Garten;;;;;;Spaten;;anders;;;;;;;;;;S-2;;;;;;;\n",
       "Zeile 3, Spalte „Kurzbeschreibung“: „anders“ widerspricht Zeile 2 („“)."},
      {std::string(kHeader) + "\n" + "Garten;;;;;;;;;;;;;;;;;;;;;;;5;;\n",
       "Zeile 2, Spalte „Preis“: Die Angabe gehört zu einem Artikel, aber die Spalte „Artikelnummer“ ist leer."},
  };
  for (const auto& c : cases) {
    WriteFileBytes(dir_ / "bad.csv", c.bytes);
    const auto report = Import(db, paths, dir_ / "bad.csv");
    EXPECT_FALSE(report.ok);
    ASSERT_FALSE(report.errors.empty()) << c.first;
    EXPECT_EQ(report.errors[0].Text(), c.first);
    EXPECT_TRUE(All<CategoriesRow>(db).empty()) << c.first;
  }
}

TEST_F(CatalogueCsvTest, CommandLineExportsImportsAndExplainsTheColumns) {
  setenv("VENDORA_HOME", (dir_ / "program").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  auto run = [](std::vector<const char*> args, std::string& out, std::string& err) {
    args.insert(args.begin(), "vendora-cli");
    std::istringstream in;
    std::ostringstream o, e;
    const int code = RunCli(static_cast<int>(args.size()), args.data(), in, o, e, false);
    out = o.str();
    err = e.str();
    return code;
  };
  std::string out, err;
  const fs::path demo = CreateDemoShop(dir_ / "demo", DemoShopOptions{.products = 6}).value();
  const fs::path file = dir_ / "katalog.csv";
  ASSERT_EQ(run({"export", demo.c_str(), file.c_str(), "--delimiter", ",", "--decimal-comma"}, out, err), 0) << err;
  EXPECT_NE(out.find("6 Produkte, 18 Artikel"), std::string::npos) << out;
  ASSERT_EQ(run({"new", "Leer"}, out, err), 0) << err;
  const fs::path empty = dir_ / "program" / "Leer" / "Leer.mdb";
  ASSERT_EQ(run({"import", empty.c_str(), file.c_str(), "--dry-run"}, out, err), 0) << err;
  EXPECT_NE(out.find("Probelauf"), std::string::npos);
  EXPECT_NE(out.find("Produkte: 6 neu, 0 geändert, 0 unverändert"), std::string::npos) << out;
  ASSERT_EQ(run({"import", empty.c_str(), file.c_str(), "--mode", "replace"}, out, err), 0) << err;
  EXPECT_NE(out.find("Artikel: 18 neu, 0 geändert, 0 unverändert, 0 entfernt"), std::string::npos) << out;
  EXPECT_TRUE(fs::exists(dir_ / "program" / "Leer" / "cats" / "b1.png"));

  WriteFileBytes(dir_ / "leer.csv", "");
  EXPECT_EQ(run({"import", empty.c_str(), (dir_ / "leer.csv").c_str()}, out, err), 1);
  EXPECT_EQ(err, "Die Datei ist leer.\nEs wurde nichts importiert; der Shop ist unverändert.\n");
  EXPECT_EQ(run({"import", empty.c_str(), file.c_str(), "--mode", "alles"}, out, err), 2);
  run({"import", "--help"}, out, err);
  EXPECT_NE(out.find("Preis 2. Währung"), std::string::npos);
  EXPECT_NE(out.find("Produktlinien, getrennt durch |"), std::string::npos);
  unsetenv("VENDORA_HOME");
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vendora
