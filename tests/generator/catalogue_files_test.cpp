#include "generator/catalogue_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/text_format.h"
#include "generator/generation.h"
#include "imaging/image_file.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

template <class Set, class F>
int32_t Add(ShopDatabase& db, F&& fill) {
  Set set(db);
  set.OpenForAppend();
  set.AddNew();
  fill(*set);
  set.Update();
  return set->ID;
}

template <class Set, class F>
void Change(ShopDatabase& db, int32_t id, F&& change) {
  Set set(db);
  set.Open();
  ASSERT_TRUE(set.FindFirst(Eq("ID", id)));
  set.Edit();
  change(*set);
  set.Update();
}

void WritePng(const fs::path& file, int width, int height) {
  CImageFile image;
  ASSERT_TRUE(image.CreateImpl(file.string(), ImageFormat::Png));
  ASSERT_TRUE(image.Create(width, height, 24));
  ASSERT_TRUE(image.Save(file.string()));
}

std::vector<std::string> Names(const FileLists::List& list) {
  std::vector<std::string> names;
  for (const auto& [name, entry] : list) names.push_back(name);
  return names;
}

class CatalogueFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(path_);
    db_.Open(path_);
    EnsureDefaultRows(db_);
    log_.AddSink(&sink_);
    ASSERT_TRUE(CreateShopFolders(DeriveShopPaths(path_)));
    CRecSetMainAttributes kinds(db_);
    kinds.Open();
    ASSERT_TRUE(kinds.FindFirst(Eq("Name", " ")));
    CRecSetSubAttributes values(db_);
    values.Open();
    ASSERT_TRUE(values.FindFirst(Eq("MainAttrID", kinds->ID) && Eq("Name", " ")));
    noValue_ = values->ID;
  }

  int32_t AddItem(int32_t product, const std::string& number, int32_t order, bool available = true,
                  float mprice = 0, float sprice = 0, float weight = 0, float shipping = 0, int32_t v1 = 0,
                  int32_t v2 = 0) {
    return Add<CRecSetItems>(db_, [&](ItemsRow& r) {
      r = {0, product, order, number, v1 ? v1 : noValue_, v2 ? v2 : noValue_, weight, mprice, sprice, shipping,
           available};
    });
  }

  int32_t AddLine(const std::string& name, bool include, int32_t order = 0, const std::string& description = "") {
    return Add<CRecSetLines>(db_, [&](LinesRow& r) { r = {0, name, order, include, description}; });
  }

  void AddMembership(int32_t line, int32_t product, int32_t order) {
    Add<CRecSetProdLines>(db_, [&](ProdLinesRow& r) { r = {0, "m", line, product, order}; });
  }

  int32_t AddIndexEntry(const std::string& name) {
    return Add<CRecSetIndex>(db_, [&](IndexRow& r) { r.Name = name; });
  }

  // The run as the chain has it before the catalogue steps.
  RunContext& StartRun() {
    run_ = std::make_unique<RunContext>(db_, DeriveShopPaths(path_), log_, prompter_, clock_);
    EXPECT_TRUE(OpenSnapshotStep(*run_));
    EXPECT_TRUE(LoadPreviewSettings(*run_, RunMode::Generation));
    run_->taxType = run_->snapshot.options.TaxType;  // the driver reads it at the start of the run
    sink_.lines.clear();
    return *run_;
  }

  std::string DataFile(const std::string& name) const {
    return ReadFileBytes(run_->Folder(ShopSubfolder::Data) / name);
  }
  fs::path Folder(ShopSubfolder folder) const { return DeriveShopPaths(path_).Subfolder(folder); }

  test::TempDir dir_;
  fs::path path_ = dir_ / "shop.mdb";
  ShopDatabase db_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{0};
  std::unique_ptr<RunContext> run_;
  int32_t noValue_ = 0;  // the blank value of the blank attribute kind
};


TEST_F(CatalogueFilesTest, WritesOnlyPublishedCatalogueInEveryFileFormat) {
  TransactionScope rows(db_);
  const int32_t reduced = Add<CRecSetTaxesByType>(db_, [](TaxesByTypeRow& r) { r = {0, "Ermäßigt", 7}; });
  const int32_t noTax = EnsureTaxSentinel(db_);
  CRecSetOptions options(db_);
  options.Open();
  options.Edit();
  options->TaxType = 2;
  options.Update();
  const int32_t size = Add<CRecSetMainAttributes>(db_, [](MainAttributesRow& r) { r.Name = "Größe"; });
  const int32_t colour = Add<CRecSetMainAttributes>(db_, [](MainAttributesRow& r) { r.Name = "Farbe"; });
  const auto addValue = [&](int32_t kind, const char* name) {
    return Add<CRecSetSubAttributes>(db_, [&](SubAttributesRow& r) { r = {0, name, kind}; });
  };
  const int32_t small = addValue(size, "S"), large = addValue(size, "M & L");
  const int32_t red = addValue(colour, "Rot"), green = addValue(colour, "Grün");
  EnsureAttributeSentinels(db_);

  // Category keys 1..4; "Gebäck" comes first by [Order].
  ASSERT_EQ(test::AddCategory(db_, "Tee & <Kaffee>", 1), 1);
  Change<CRecSetCategories>(db_, 1, [](CategoriesRow& r) { r.Description = "Aus aller Welt\r\nFrisch geröstet"; });
  test::AddCategory(db_, "Gebäck", 0);
  test::AddCategory(db_, "Ohne Artikel", 2);
  const int32_t excluded = test::AddCategory(db_, "Ausgeschlossen", 3);
  Change<CRecSetCategories>(db_, excluded, [](CategoriesRow& r) { r.Include = false; });

  const int32_t sugar = AddIndexEntry("Zucker"), apple = AddIndexEntry("Apfel"), milk = AddIndexEntry("Milch");
  CRecSetIndex index(db_);
  index.Open();
  ASSERT_TRUE(index.FindFirst(Eq("Name", " ")));
  const int32_t notIndexed = index->ID;

  // Product keys 1..7.
  ASSERT_EQ(test::AddProduct(db_, 1, "Earl Grey | Tee", 1), 1);
  Change<CRecSetProducts>(db_, 1, [&](ProductsRow& r) {
    r.ShortDesc = "Schwarztee mit \"Bergamotte\"";
    r.LongDesc = "Erster Absatz.\r\nZweiter Absatz ≈ 100 g.";
    r.AttributeID1 = size;
    r.AttributeID2 = colour;
    r.TaxID = reduced;
    r.IndexID = sugar;
  });
  test::AddProduct(db_, 1, "Grüner Tee €", 0);
  Change<CRecSetProducts>(db_, 2, [&](ProductsRow& r) { r.TaxID = reduced, r.IndexID = notIndexed; });
  test::AddProduct(db_, 1, "Ohne Artikel", 2);
  test::AddProduct(db_, 1, "Zurückgezogen", 3);
  Change<CRecSetProducts>(db_, 4, [](ProductsRow& r) { r.Available = false; });
  test::AddProduct(db_, 2, "Butterkeks");
  Change<CRecSetProducts>(db_, 5, [&](ProductsRow& r) { r.TaxID = noTax, r.IndexID = apple; });
  test::AddProduct(db_, 3, "Nur gesperrte Artikel");
  test::AddProduct(db_, excluded, "Versteckt");
  for (int32_t id : {6, 7}) Change<CRecSetProducts>(db_, id, [&](ProductsRow& r) { r.IndexID = milk; });

  // Item keys 1..8.
  AddItem(1, "EG-1", 1, true, 12.5f, 6.39f, 0, 0, small, red);
  AddItem(1, "EG-2", 0, true, 0, 0, 0.25f, 0, large, green);
  AddItem(1, "EG-3", 2, false, 1, 1, 1, 1);
  AddItem(2, "GT-1", 0, true, 3.5f, 1.79f, 0, 4.9f);
  AddItem(5, "BK-1", 0, true, 2);
  AddItem(6, "GA-1", 0, false, 1);
  AddItem(7, "VS-1", 0, true, 1);
  AddItem(4, "ZG-1", 0, true, 1);

  // Line keys 1..4: line 4 sorts first by [Order] but is written after line 1.
  AddLine("Klassiker", true, 0, "Seit 1890");
  AddLine("Nur Ausgeschlossene", true, 1);
  AddLine("Verborgen", false, 2);
  AddLine("Gebäck-Linie", true, -1);
  AddMembership(1, 1, 1);
  AddMembership(1, 4, 2);
  AddMembership(1, 2, 3);
  AddMembership(2, 7, 0);
  AddMembership(2, 6, 1);
  AddMembership(3, 1, 0);
  AddMembership(4, 5, 0);
  rows.Commit();

  RunContext& run = StartRun();
  {
    test::GermanLocale german;
    ASSERT_TRUE(german.active()) << "the de_DE.UTF-8 locale must be installed";
    EXPECT_TRUE(WriteCatalogueStep(run));
    EXPECT_TRUE(WriteProductLinesStep(run));
    EXPECT_TRUE(WriteIndexStep(run));
  }

  const std::string items =
      "5|BK-1|||0.00|0.00|2.00|0.00|5|\n"
      "4|GT-1|||0.00|4.90|3.50|1.79|2|\n"
      "2|EG-2|M &amp; L|Gr\xFCn|0.25|0.00|0.00|0.00|1|\n"
      "1|EG-1|S|Rot|0.00|0.00|12.50|6.39|1|\n";
  const std::string productIdx = "5|5\n2|4\n1|2,1\n";
  const std::string productToc =
      "5|Butterkeks|||||||0.00|0|0|Apfel|4|\n"
      "2|Gr\xFCner Tee \x80|||||||7.00|0|1||1|\n"
      "1|Earl Grey &brvbar; Tee|Erster Absatz.<BR>Zweiter Absatz &#8776; 100 g.|Schwarztee mit "
      "&quot;Bergamotte&quot;|||Gr\xF6\xDF" "e|Farbe|7.00|1|0|Zucker|3,1|\n";
  const std::string categoryIdx = "2|5\n1|2,1\n";
  const std::string categoryToc =
      "2|Geb\xE4" "ck||||\n"
      "1|Tee &amp; &lt;Kaffee&gt;|Aus aller Welt<BR>Frisch ger\xF6stet|||\n";
  const std::string lineIdx = "1|1,2\n4|5\n";
  const std::string linesToc = "1|Klassiker|Seit 1890|||\n4|Geb\xE4" "ck-Linie||||\n";
  const std::string indexIdx = Format("%d|5\n%d|1\n", apple, sugar);
  const std::string indexToc = Format("%d|Apfel\n%d|Zucker\n", apple, sugar);
  EXPECT_EQ(DataFile("items.toc"), items);
  EXPECT_EQ(DataFile("product.idx"), productIdx);
  EXPECT_EQ(DataFile("product.toc"), productToc);
  EXPECT_EQ(DataFile("category.idx"), categoryIdx);
  EXPECT_EQ(DataFile("category.toc"), categoryToc);
  EXPECT_EQ(DataFile("line.idx"), lineIdx);
  EXPECT_EQ(DataFile("lines.toc"), linesToc);
  EXPECT_EQ(DataFile("index.idx"), indexIdx);
  EXPECT_EQ(DataFile("index.toc"), indexToc);

  const auto written = [](const char* line, int count, const std::string& file, const char* name) {
    return std::vector<std::string>{Format(line, count, static_cast<int>(file.size())),
                                    Format("Datei geschrieben \"data/%s\".", name)};
  };
  std::vector<std::string> expected = {
      "Erstelle Datei \"data/category.toc\"...", "Erstelle Datei \"data/category.idx\"...",
      "Erstelle Datei  \"data/product.toc\"...", "Erstelle Datei  \"data/product.idx\"...",
      "Erstelle Datei \"data/items.toc\"..."};
  for (const auto& lines :
       {written("Artikeleinträge geschrieben: %d (%d bytes).", 4, items, "items.toc"),
        written("Produkteinträge geschrieben: %d (%d bytes).", 3, productIdx, "product.idx"),
        written("Produkteinträge geschrieben: %d (%d bytes).", 3, productToc, "product.toc"),
        written("Kategorieindexeinträge geschrieben: %d (%d bytes).", 2, categoryIdx, "category.idx"),
        written("Kategorieeinträge geschrieben: %d (%d bytes).", 2, categoryToc, "category.toc"),
        {"Erstelle Datei  \"data/lines.toc\"...", "Erstelle Datei  \"data/line.idx\"..."},
        written("Produktlinieneinträge geschrieben: %d (%d bytes).", 2, lineIdx, "line.idx"),
        written("Produktlinieneinträge geschrieben: %d (%d bytes).", 2, linesToc, "lines.toc"),
        {"Erstelle Datei  \"data/index.toc\"...", "Erstelle Datei  \"data/index.idx\"..."},
        written("Indexeinträge geschrieben: %d (%d bytes).", 2, indexIdx, "index.idx"),
        written("Indexeinträge geschrieben: %d (%d bytes).", 2, indexToc, "index.toc")})
    expected.insert(expected.end(), lines.begin(), lines.end());
  EXPECT_EQ(sink_.lines, expected);

  EXPECT_EQ(run.settings.indexEntryCount, 2);
  EXPECT_EQ(Names(run.files.Publish(ShopSubfolder::Data)),
            (std::vector<std::string>{"category.idx", "category.toc", "index.idx", "index.toc", "items.toc",
                                      "line.idx", "lines.toc", "product.idx", "product.toc"}));
  EXPECT_EQ(run.files.Publish(ShopSubfolder::Data).at("items.toc").size, items.size());
}

TEST_F(CatalogueFilesTest, PicturesArePublishedOnlyWhenShownAndOtherwiseListedUnused) {
  test::AddCategory(db_, "Mit Artikeln");
  test::AddCategory(db_, "Ohne Artikel");
  test::AddProduct(db_, 1, "Tasse");
  test::AddProduct(db_, 1, "Untertasse");
  test::AddProduct(db_, 2, "Teller");
  AddItem(1, "T-1", 0);
  AddLine("Geschirr", true);
  AddLine("Leer", true);
  AddMembership(1, 1, 0);
  AddMembership(2, 2, 0);
  WritePng(Folder(ShopSubfolder::Cats) / "b1.png", 4, 3);
  WritePng(Folder(ShopSubfolder::Cats) / "h1.png", 5, 2);
  WritePng(Folder(ShopSubfolder::Cats) / "b2.png", 4, 3);
  for (int id : {1, 2, 3}) WritePng(Folder(ShopSubfolder::Prods) / (std::to_string(id) + ".png"), 40, 30);
  WritePng(Folder(ShopSubfolder::Lines) / "b1.png", 6, 6);
  WritePng(Folder(ShopSubfolder::Lines) / "h2.png", 6, 6);

  using Names_ = std::vector<std::string>;
  struct Case {
    bool textOnly, details, thumbnails;
    const char* category;
    const char* product;
    const char* line;
    Names_ cats, prods, thumbs, lines;
  };
  const Case cases[] = {
      {false, true, true, "1|Mit Artikeln||b1.png/4/3|h1.png/5/2|\n", "1|Tasse|||1.jpg/100/75|1.png/40/30||||0|0||1|\n",
       "1|Geschirr||b1.png/6/6||\n", {"b1.png", "h1.png"}, {"1.png"}, {"1.jpg"}, {"b1.png"}},
      {false, false, true, "1|Mit Artikeln||b1.png/4/3|h1.png/5/2|\n", "1|Tasse|||1.jpg/100/75|||||0|0||1|\n",
       "1|Geschirr||b1.png/6/6||\n", {"b1.png", "h1.png"}, {}, {"1.jpg"}, {"b1.png"}},
      {true, true, true, "1|Mit Artikeln||||\n", "1|Tasse||||||||0|0||1|\n", "1|Geschirr||||\n", {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "textOnly " << c.textOnly << ", details " << c.details);
    RunContext& run = StartRun();
    run.settings.textOnly = c.textOnly;
    run.settings.generateDetails = c.details;
    run.settings.useThumbnails = c.thumbnails;
    ASSERT_TRUE(WriteCatalogueStep(run));
    ASSERT_TRUE(WriteProductLinesStep(run));
    EXPECT_EQ(DataFile("category.toc"), c.category);
    EXPECT_EQ(DataFile("product.toc"), c.product);
    EXPECT_EQ(DataFile("lines.toc"), c.line);
    EXPECT_EQ(Names(run.files.Publish(ShopSubfolder::Cats)), c.cats);
    EXPECT_EQ(Names(run.files.Publish(ShopSubfolder::Prods)), c.prods);
    EXPECT_EQ(Names(run.files.Publish(ShopSubfolder::Thumbs)), c.thumbs);
    EXPECT_EQ(Names(run.files.Publish(ShopSubfolder::Lines)), c.lines);
    // Whatever is not shown, and everything of rows that are not written, stays unused.
    Names_ unusedCats = {"b2.png"}, unusedProds = {"2.png", "3.png"}, unusedLines = {"h2.png"};
    if (c.cats.empty()) unusedCats = {"b1.png", "b2.png", "h1.png"};
    if (c.prods.empty()) unusedProds = {"1.png", "2.png", "3.png"};
    if (c.lines.empty()) unusedLines = {"b1.png", "h2.png"};
    EXPECT_EQ(Names(run.files.Unused(ShopSubfolder::Cats)), unusedCats);
    EXPECT_EQ(Names(run.files.Unused(ShopSubfolder::Prods)), unusedProds);
    EXPECT_EQ(Names(run.files.Unused(ShopSubfolder::Lines)), unusedLines);
    EXPECT_TRUE(fs::exists(Folder(ShopSubfolder::Thumbs) / "1.jpg"));
  }
}

// Sizes are remembered between runs; a picture replaced under its name must not keep
// the old size or the old thumbnail.
TEST_F(CatalogueFilesTest, AReplacedPictureGetsItsNewSizeAndThumbnailInTheNextRun) {
  test::AddCategory(db_, "Geschirr");
  test::AddProduct(db_, 1, "Tasse");
  AddItem(1, "T-1", 0);
  const fs::path picture = Folder(ShopSubfolder::Prods) / "1.png";
  WritePng(picture, 40, 30);
  fs::last_write_time(picture, fs::file_time_type::clock::now() - std::chrono::seconds(60));
  const fs::path cache = DeriveShopPaths(path_).pictureSizes;
  for (int run = 0; run < 2; ++run) {
    RunContext& r = StartRun();
    r.settings.useThumbnails = true;
    ASSERT_TRUE(WriteCatalogueStep(r));
    r.SavePictureSizes();
    EXPECT_EQ(DataFile("product.toc"), "1|Tasse|||1.jpg/100/75|1.png/40/30||||0|0|||\n") << "run " << run;
  }
  EXPECT_EQ(cache.filename(), ".shop.sizes");
  EXPECT_NE(ReadFileBytes(cache).find("|40|30\n"), std::string::npos);

  WritePng(picture, 80, 20);
  RunContext& r = StartRun();
  r.settings.useThumbnails = true;
  ASSERT_TRUE(WriteCatalogueStep(r));
  EXPECT_EQ(DataFile("product.toc"), "1|Tasse|||1.jpg/100/25|1.png/80/20||||0|0|||\n");
  EXPECT_EQ(r.files.Publish(ShopSubfolder::Prods).at("1.png").size, fs::file_size(picture));
}

// A product picture that cannot be read (here 357 bytes declaring 32801 x 17937
// pixels) is left out as if missing, with a warning, and stays unsent; a broken
// thumbnail decision for one product must not stop the run.
TEST_F(CatalogueFilesTest, AnUnreadableProductPictureIsLeftOutWithAWarning) {
  test::AddCategory(db_, "Obst");
  test::AddProduct(db_, 1, "Apfel");
  AddItem(1, "A-1", 0);
  fs::copy_file(fs::path(VENDORA_FIXTURES) / "regressions" / "jpeg_huge_declared_size.jpg",
                Folder(ShopSubfolder::Prods) / "1.jpg");
  for (bool thumbnails : {true, false}) {
    RunContext& run = StartRun();
    run.settings.generateDetails = true;
    run.settings.useThumbnails = thumbnails;
    ASSERT_TRUE(WriteCatalogueStep(run));
    EXPECT_EQ(DataFile("product.toc"), "1|Apfel||||||||0|0|||\n");
    EXPECT_EQ(std::count(sink_.lines.begin(), sink_.lines.end(),
                         "Warnung: Das Bild \"prods/1.jpg\" kann nicht gelesen werden und wird nicht verwendet."),
              1);
    EXPECT_EQ(Names(run.files.Unused(ShopSubfolder::Prods)), std::vector<std::string>{"1.jpg"});
    EXPECT_TRUE(run.files.Publish(ShopSubfolder::Prods).empty());
    EXPECT_TRUE(run.files.Publish(ShopSubfolder::Thumbs).empty());
  }
}

// Bytes that a lenient decoder takes for a line end (C0 8A) or "|" (C1 BC), put into
// the database by another program, neither split nor add a record of a data file.
TEST_F(CatalogueFilesTest, MalformedTextCannotForgeRecords) {
  test::AddCategory(db_, "Obst");
  test::AddProduct(db_, 1, "Apfel");
  AddItem(1, "A-1", 0);
  const std::string forged = "x\xC0\x8A" "9|\xC1\xBC" "y";  // "x\n9||y" to a lenient decoder
  const std::string stored = "x\xC0\x8A" "9&brvbar;\xC1\xBC" "y";
  db_.Execute("UPDATE Categories SET Description = '" + forged + "' WHERE ID = 1");
  db_.Execute("UPDATE Products SET Name = '" + forged + "' WHERE ID = 1");
  db_.Execute("UPDATE Items SET ItemNumber = '" + forged + "' WHERE ID = 1");
  ASSERT_TRUE(WriteCatalogueStep(StartRun()));
  EXPECT_EQ(DataFile("category.toc"), "1|Obst|" + stored + "|||\n");
  EXPECT_EQ(DataFile("product.toc"), "1|" + stored + "||||||||0|0|||\n");
  EXPECT_EQ(DataFile("items.toc"), "1|" + stored + "|||0.00|0.00|0.00|0.00|1|\n");
}

TEST_F(CatalogueFilesTest, EmptyCatalogueFailsOnlyTheCategoryStep) {
  RunContext& run = StartRun();
  EXPECT_FALSE(WriteCatalogueStep(run));
  const std::vector<std::string> notices(sink_.lines.begin() + 15, sink_.lines.end());
  EXPECT_EQ(notices, (std::vector<std::string>{"Es wurden keine Kategorieeinträge gefunden!",
                                               "Es wurden keine Produkteinträge gefunden!",
                                               "Es wurden keine Artikeleinträge gefunden!"}));
  EXPECT_TRUE(WriteProductLinesStep(run));
  EXPECT_EQ(sink_.lines.back(), "Es wurden keine Produktlinieneinträge gefunden!");
  EXPECT_TRUE(WriteIndexStep(run));
  EXPECT_EQ(sink_.lines.back(), "Es wurden keine Indexeinträge gefunden!");
  EXPECT_EQ(DataFile("index.toc"), "");
}

TEST_F(CatalogueFilesTest, DataFileThatCannotBeCreatedFailsTheStep) {
  fs::create_directory(Folder(ShopSubfolder::Data) / "product.toc");
  RunContext& run = StartRun();
  EXPECT_FALSE(WriteCatalogueStep(run));
  const std::string failure = "Die Datei \"data/product.toc\" konnte nicht erstellt werden.";
  const std::string reason = "Grund: Unter diesem Namen besteht ein Verzeichnis. (Fehlernummer: 21).";
  EXPECT_EQ(sink_.lines, (std::vector<std::string>{"Erstelle Datei \"data/category.toc\"...",
                                                   "Erstelle Datei \"data/category.idx\"...",
                                                   "Erstelle Datei  \"data/product.toc\"...", failure, reason}));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text, failure + "\n" + reason);
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(fs::is_regular_file(Folder(ShopSubfolder::Data) / "category.idx"));
  EXPECT_TRUE(run.files.Publish(ShopSubfolder::Data).empty());
}

// The walk sorts in memory what the database used to sort: categories and products by
// [Order], an empty product order first, equal orders as added; items likewise within
// their product. The index lists its products in the same order, over all categories.
TEST_F(CatalogueFilesTest, OrdersAsTheDatabaseOrders) {
  const int32_t second = test::AddCategory(db_, "Zwei", 2);
  const int32_t first = test::AddCategory(db_, "Eins", 1);
  const int32_t entry = AddIndexEntry("Tee");
  // IDs 1-5; orders 2, empty, 1, 1 in the second category, 0 in the first.
  for (const auto& [category, order] : std::vector<std::pair<int32_t, int32_t>>{
           {second, 2}, {second, 0}, {second, 1}, {second, 1}, {first, 0}}) {
    const int32_t id = test::AddProduct(db_, category, "P", order);
    Change<CRecSetProducts>(db_, id, [&](ProductsRow& r) { r.IndexID = entry; });
    AddItem(id, "B" + std::to_string(id), 5);
    AddItem(id, "A" + std::to_string(id), 5);
    AddItem(id, "C" + std::to_string(id), -1);
  }
  db_.Execute("UPDATE Products SET [Order] = NULL WHERE ID = 2");
  RunContext& run = StartRun();
  ASSERT_TRUE(WriteCatalogueStep(run));
  ASSERT_TRUE(WriteIndexStep(run));
  EXPECT_EQ(DataFile("category.idx"), "2|5\n1|2,3,4,1\n");
  EXPECT_EQ(DataFile("index.idx"), Format("%d|2,5,3,4,1\n", entry));
  EXPECT_EQ(DataFile("product.idx"), "5|15,13,14\n2|6,4,5\n3|9,7,8\n4|12,10,11\n1|3,1,2\n");
}

// The walk reads the tables before it writes: a database error leaves empty files,
// fails the step, and publishes nothing.
TEST_F(CatalogueFilesTest, DatabaseErrorFailsTheStepBeforeAnythingIsWritten) {
  test::AddCategory(db_, "Tee", 0);
  test::AddCategory(db_, "Kaffee", 1);
  test::AddProduct(db_, 1, "Assam", 0);
  test::AddProduct(db_, 2, "Java", 0);
  AddItem(1, "A-1", 0, true, 1.5f);
  AddItem(2, "J-1", 0, true, 2.5f);
  RunContext& run = StartRun();
  // Reading the products of the second category makes the engine fail (integer overflow).
  db_.Execute("ALTER TABLE Products RENAME TO ProductRows");
  db_.Execute(
      "CREATE VIEW Products AS SELECT ID AS rowid, ID, Name, TaxID, CategoryID, "
      "CASE WHEN CategoryID = 2 THEN abs(CategoryID - 9223372036854775807 - 3) ELSE [Order] END AS [Order], "
      "IndexID, ShortDesc, LongDesc, AttributeID1, AttributeID2, MultiMediaFile1, MultiMediaFile2, "
      "MultiMediaFile3, Available FROM ProductRows");
  EXPECT_FALSE(WriteCatalogueStep(run));
  for (const char* file : {"items.toc", "product.toc", "product.idx", "category.toc", "category.idx"})
    EXPECT_EQ(DataFile(file), "") << file;
  ASSERT_GT(sink_.lines.size(), 6u);
  EXPECT_EQ(sink_.lines[5].rfind("Beim Lesen der Datenbank ist ein Fehler aufgetreten: ", 0), 0u) << sink_.lines[5];
  EXPECT_EQ(sink_.lines[6], "Artikeleinträge geschrieben: 0 (0 bytes).");
  EXPECT_TRUE(run.files.Publish(ShopSubfolder::Data).empty());
}

}  // namespace
}  // namespace vendora
