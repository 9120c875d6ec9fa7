#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <regex>
#include <set>

#include "shopdb/recordsets.h"
#include "shopdb/schema.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::TempDir;

std::string CreateSql(ShopDatabase& db, std::string_view table) {
  auto stmt = db.Prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
  stmt->bind(1, std::string(table));
  return stmt->executeStep() ? stmt->getColumn(0).getString() : std::string();
}

// The schema as the created file holds it, read back from the engine, against the
// file format's schema written out by hand: a wrong width, flag, type, index or
// relation in the built-in schema table (or in its mapping to SQL) shows up here.
struct TableListing {
  std::string_view name, fields, indexes;
};
const TableListing kDescribedTables[] = {
    {"Version", "Version Long Req, LangID Long", ""},
    {"MainAttributes", "ID AutoNumber, Name Text(64) Req Empty", "IdxAttributes(ID) primary"},
    {"SubAttributes", "ID AutoNumber, Name Text(64) Req Empty, MainAttrID Long Req", "IdxAttributes(ID) primary"},
    {"Categories", "ID AutoNumber, Include Boolean Req, Name Text(64) Req, Order Long, Description Memo",
     "IdxCategories(ID) primary"},
    {"Company",
     "ID AutoNumber, StoreName Text(64) Req, Company Text(64) Empty, Address1 Text(64) Empty, Address2 Text(64) Empty, "
     "City Text(32) Empty, State Text(8) Empty, ZIP Text(10) Empty, Country Text(64) Empty, Phone1 Text(32) Empty, "
     "Phone2 Text(32) Empty, Fax1 Text(32) Empty, Fax2 Text(32) Empty, EmailInfo Text(255) Empty, "
     "EmailSupport Text(255) Empty, EmailPress Text(255) Empty, EmailSales Text(255) Empty, Description Memo Empty, "
     "Keywords Memo Empty, LogoExt Text(5) Empty, LogoUseall Boolean Req",
     "IdxCompany(ID) primary"},
    {"CreditCards", "ID AutoNumber, Name Text(64) Req, Order Long Req", "IdxCreditCards(ID) primary"},
    {"Discount", "Break Single Req, Discount Single Req", ""},
    {"GiftWraps", "ID AutoNumber, Name Text(64) Req, Ext Text(5) Empty, Order Long", "IdxGiftWraps(ID) primary"},
    {"Index", "ID AutoNumber, Name Text(64) Req Empty", "IdxIndex(ID) primary"},
    {"Interfaces",
     "ID AutoNumber, GSet Text(255) Empty, TextOnly Boolean Req, UseDefaultFonts Boolean Req, MainFont Text(255) Empty, "
     "AltFont Text(255) Empty, MenuTop Boolean Req, MenuTopHomePage Boolean Req, MenuBottom Boolean Req, "
     "GenerateIndex Boolean Req, IndexFirst Boolean Req, IndexSort Boolean Req, CatHorizontal Boolean Req, "
     "CatHorzFreeWrap Boolean Req, CatHorzWrapOn Long Req, CatVertDescription Boolean Req, "
     "CatVertDividers Boolean Req, CatExtraSpacing Boolean Req, LinesHorizontal Boolean Req, "
     "LinesHorzFreeWrap Boolean Req, LinesHorzWrapOn Long Req, LinesVertDescription Boolean Req, "
     "LinesVertDividers Boolean Req, LinesExtraSpacing Boolean Req, LinesFirst Boolean Req, "
     "LinesOnProducts Boolean Req, GenerateDetails Boolean Req, UseTableBorders Boolean Req, "
     "UseThumbnails Boolean Req, Quality Long",
     "IdxInterfaces(ID) primary"},
    {"Items",
     "ID AutoNumber, ProductID Long Req, Order Long Req, ItemNumber Text(64) Req, SubAttrID1 Long Req, "
     "SubAttrID2 Long Req, Weight Single, MPrice Single, SPrice Single, Shipping Single, Available Boolean Req",
     "IdxItems(ID) primary"},
    {"Lines", "ID AutoNumber, Name Text(64) Req, Order Long, Include Boolean Req, Description Memo",
     "IdxLines(ID) primary"},
    {"Options",
     "ReqEmail Boolean Req, ReqPhone Boolean Req, ReqFax Boolean Req, ElectronicSubmit Boolean Req, "
     "PrintMail Boolean Req, PrintFax Boolean Req, MCurrency Text(5) Req, SCurrency Text(5) Empty, "
     "DoFactor Boolean Req, Factor Single Req, UseDecComma Boolean Req, TaxType Long Req, DefTaxTypeID Long Req, "
     "ShippingCalcType Long, OfferDiscounts Long Req, OfferGiftWrap Boolean Req, WrapCharge Single, "
     "WrapPerItem Boolean Req, OfferGiftMessage Boolean Req, MessageCharge Single Req, LastFTP Long, "
     "ReqCustID Boolean Req, ReqCountry Boolean Req, MinAmount Single Req, Insurance Boolean Req, "
     "InsuranceValue Single Req, InsuranceLimit Single Req, InsuranceReplaces Boolean Req, "
     "InsuranceReplacesValue Single Req",
     ""},
    {"Payments",
     "ID AutoNumber, Include Boolean Req, Name Text(64) Req, Price Single Req, Code Text(4) Empty, Order Long",
     "IdxPayments(ID) primary"},
    {"ProdLines", "ID AutoNumber, Name Text(64) Req, LineID Long Req, ProductID Long Req, Order Long",
     "IdxProdLines(ID) primary, IdxProdLines1(ProductID)"},
    {"Products",
     "ID AutoNumber, Name Text(64) Req, TaxID Long Req, CategoryID Long Req, Order Long, IndexID Long, "
     "ShortDesc Text(255) Empty, LongDesc Memo Empty, AttributeID1 Long Req, AttributeID2 Long Req, "
     "MultiMediaFile1 Text(255), MultiMediaFile2 Text(50), MultiMediaFile3 Text(50), Available Boolean Req",
     "IdxProducts(ID) primary"},
    {"WebServer",
     "ID AutoNumber, HomeURL Text(255) Req, StandAlone Boolean Req, StoreURL Text(255), ExitToTopFrame Boolean, "
     "FileName Text(255) Req, StorePath Text(255) Req, ScriptURL Text(255) Req, ScriptExt Long Req, "
     "PerlPath Text(255) Req, MailOption Long Req, MailExec Text(255), MailHost Text(255)",
     "IdxServerSetup(ID) primary"},
    {"FtpServer",
     "ID AutoNumber, HostName Text(255) Req, HostPort Long Req, HostUser Text(32) Empty, HostPass Text(32) Empty, "
     "HostAcct Text(32) Empty, ProxyType Long Req, ProxyName Text(255) Empty, ProxyPort Long, "
     "ProxyUser Text(32) Empty, ProxyPass Text(32) Empty, ProxyAcct Text(32) Empty, RemoteDir Text(255) Empty, "
     "RemoteScript Text(255) Empty, Passive Boolean Req, UseTls Boolean Req, TlsFingerprint Text(64) Empty, "
     "Protocol Long Req, SftpPort Long Req",
     "IdxServerSetup(ID) primary"},
    {"ShipCharges", "ID AutoNumber, Break Single Req, Charge Single Req, ShippingID Long Req",
     "IdxShipCharges(ID) primary"},
    {"Shipping", "ID AutoNumber, Name Text(64) Req, Order Long", "IdxShipping(ID) primary"},
    {"TaxesByArea", "ID AutoNumber, Area Text(32) Req, Rate Single Req", "IdxTaxesByArea(ID) primary"},
    {"TaxesByType", "ID AutoNumber, Type Text(64) Req, Rate Single Req", "IdxTaxesByType(ID) primary"},
    {"TextBlocks",
     "Welcome Memo, Instructions Memo, Policy Memo, Thankyou Memo, PolicyJava Boolean Req, Privacy Memo, "
     "Withdrawal Memo",
     ""},
    {"Language", "ID Long, Text Memo", "IdxLanguage(ID) primary"},
    {"Payvane",
     "ID AutoNumber, Use Boolean, Server Text(255) Empty, Port Long, TimeOut Long, HID Long, RsaE Text(255) Empty, "
     "RsaN Text(255) Empty, Price Single, OlpType Long, TxType Long, SealKey Text(64) Empty",
     "IdxPayvane(ID) primary"},
    {"Password", "ID AutoNumber, Password Text(16) Empty", "IdxPassword(ID) primary"},
};
const char* const kDescribedRelations[] = {
    "AttributesProducts: MainAttributes.ID -> Products.AttributeID1 Update",
    "AttributesProducts1: MainAttributes.ID -> Products.AttributeID2 Update",
    "MainAttrsSubAttrs: MainAttributes.ID -> SubAttributes.MainAttrID Update Delete",
    "MainAttrsSubAttrs1: MainAttributes.ID -> SubAttributes.MainAttrID Update Delete",
    "SubAttrsItems: SubAttributes.ID -> Items.SubAttrID1 Update",
    "SubAttrsItems1: SubAttributes.ID -> Items.SubAttrID2 Update",
    "CategoriesProducts: Categories.ID -> Products.CategoryID Update Delete",
    "TaxTypeProducts: TaxesByType.ID -> Products.TaxID Update",
    "TaxTypeOptions: TaxesByType.ID -> Options.DefTaxTypeID Update",
    "IndexProducts: Index.ID -> Products.IndexID Update",
    "LinesProdLines: Lines.ID -> ProdLines.LineID Update Delete",
    "ProductsItems: Products.ID -> Items.ProductID Update Delete",
    "ProductsProdLines: Products.ID -> ProdLines.ProductID Update Delete",
    "ShippingShipBreaks: Shipping.ID -> ShipCharges.ShippingID Update Delete",
};

// One field as the engine keeps it, in the words of the listing above.
std::string DescribeColumn(const ColumnInfo& c, const std::string& sql) {
  const std::string q = QuoteIdentifier(c.name);
  std::string type;
  bool text = false;
  std::smatch m;
  if (c.sqlType == "INTEGER") {
    type = c.primaryKey && sql.find(q + " INTEGER CONSTRAINT") != std::string::npos &&
                   sql.find("AUTOINCREMENT") != std::string::npos
               ? "AutoNumber"
               : "Long";
  } else if (std::regex_match(c.sqlType, m, std::regex(R"(VARCHAR\((\d+)\))"))) {
    // The width the file enforces, which must be the declared one.
    const std::string check = "CHECK (length(" + q + ") <= " + m[1].str() + ")";
    type = "Text(" + (sql.find(check) != std::string::npos ? m[1].str() : m[1].str() + " unchecked") + ")";
    text = true;
  } else if (c.sqlType == "TEXT") {
    type = "Memo";
    text = true;
  } else if (c.sqlType == "BOOLEAN") {
    type = "Boolean";
  } else if (c.sqlType == "FLOAT") {
    type = "Single";
  } else {
    type = "?" + c.sqlType;
  }
  std::string out = c.name + " " + type;
  if (c.notNull && !c.primaryKey) out += " Req";
  if (text && sql.find("CHECK (" + q + " <> '')") == std::string::npos) out += " Empty";
  return out;
}

TEST(ShopSchema, CreatedFileHoldsTheDescribedSchema) {
  TempDir dir;
  ShopDatabase db;
  db.OpenOrCreate(dir / "shop.mdb");
  SchemaReport report = CreateShopSchema(db, 150);
  ASSERT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures.front());

  std::vector<std::string> tables;
  {
    auto stmt = db.Prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'sqlite_sequence' "
                           "ORDER BY rowid");
    while (stmt->executeStep()) tables.push_back(stmt->getColumn(0).getString());
  }
  std::vector<std::string> described;
  for (const TableListing& t : kDescribedTables) described.emplace_back(t.name);
  EXPECT_EQ(tables, described) << "26 tables in creation order";

  std::multiset<std::string> relations;
  const std::regex foreignKey(
      R"re(CONSTRAINT "(\w+)" FOREIGN KEY \("(\w+)"\) REFERENCES "(\w+)" \("(\w+)"\)( ON UPDATE CASCADE)?( ON DELETE CASCADE)?)re");
  for (const TableListing& t : kDescribedTables) {
    SCOPED_TRACE(t.name);
    const std::string sql = CreateSql(db, t.name);
    std::string fields;
    for (const ColumnInfo& c : ReadColumns(db, t.name)) fields += (fields.empty() ? "" : ", ") + DescribeColumn(c, sql);
    EXPECT_EQ(fields, t.fields);

    std::string indexes;
    std::smatch m;
    if (std::regex_search(sql, m, std::regex(R"re("(\w+)" \w+ CONSTRAINT "(\w+)" PRIMARY KEY)re")))
      indexes = m[2].str() + "(" + m[1].str() + ") primary";
    for (const std::string& name : ReadIndexNames(db, t.name)) {
      if (name.rfind("IdxRel_", 0) == 0 || name.rfind("sqlite_", 0) == 0) continue;  // engine mapping only
      auto info = db.Prepare("SELECT name FROM pragma_index_info(?)");
      info->bind(1, name);
      info->executeStep();
      indexes += (indexes.empty() ? "" : ", ") + name + "(" + info->getColumn(0).getString() + ")";
    }
    EXPECT_EQ(indexes, t.indexes);

    for (auto it = std::sregex_iterator(sql.begin(), sql.end(), foreignKey); it != std::sregex_iterator(); ++it) {
      const std::smatch& r = *it;
      relations.insert(r[1].str() + ": " + r[3].str() + "." + r[4].str() + " -> " + std::string(t.name) + "." +
                       r[2].str() + (r[5].matched ? " Update" : "") + (r[6].matched ? " Delete" : ""));
    }
  }
  EXPECT_EQ(relations, std::multiset<std::string>(std::begin(kDescribedRelations), std::end(kDescribedRelations)));
}

TEST(ShopSchema, CreationIndexesEveryRelationAndLeavesTheLanguageUnset) {
  TempDir dir;
  ShopDatabase db;
  db.OpenOrCreate(dir / "shop.mdb");
  ASSERT_TRUE(CreateShopSchema(db, 150).ok);
  // Walking the children of one parent, and every cascade, uses an index on the
  // referring field.
  for (const auto& r : ShopRelations()) {
    auto plan = db.Prepare("EXPLAIN QUERY PLAN SELECT * FROM " + QuoteIdentifier(r.referringTable) + " WHERE " +
                           QuoteIdentifier(r.referringField) + " = 1");
    std::string detail;
    while (plan->executeStep()) detail += plan->getColumn(3).getString();
    EXPECT_NE(detail.find("USING INDEX"), std::string::npos) << r.name << ": " << detail;
  }

  CRecSetVersion version(db);
  version.Open();
  ASSERT_EQ(version.GetRecordCount(), 1);
  EXPECT_EQ(version->Version, 150);
  CRecSetLangID lang(db);
  lang.Open();
  EXPECT_EQ(lang->LangID, std::nullopt) << "read as the any-language marker; the first opening sets it";
}

TEST(ShopSchema, FieldFlagsAreEnforcedByTheFileItself) {
  // A tool writing straight into the file meets the same rules as the record sets.
  TempDir dir;
  test::CreateShopFile(dir / "shop.mdb");
  SQLite::Database raw((dir / "shop.mdb").string(), SQLite::OPEN_READWRITE);
  EXPECT_THROW(raw.exec("INSERT INTO \"Index\" (\"Name\") VALUES (NULL)"), SQLite::Exception);  // Req
  EXPECT_NO_THROW(raw.exec("INSERT INTO \"Index\" (\"Name\") VALUES ('')"));                      // Empty allowed
  EXPECT_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '')"), SQLite::Exception);
  EXPECT_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '" + std::string(65, 'x') + "')"),
               SQLite::Exception);
  EXPECT_NO_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '" + std::string(64, 'x') + "')"));
}

TEST(ShopSchema, CreationOverAnExistingFileKeepsItsTablesAndRows) {
  TempDir dir;
  const auto path = dir / "old.mdb";
  // A file that holds some tables already, one of them without its relations.
  test::ExecOnFile(path,
                   "CREATE TABLE \"Categories\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Include\" BOOLEAN NOT NULL,"
                   " \"Name\" VARCHAR(64) NOT NULL, \"Order\" INTEGER, \"Description\" TEXT);"
                   "INSERT INTO \"Categories\" VALUES (7, 1, 'Bücher', 0, 'alt');"
                   "CREATE TABLE \"Lines\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Name\" VARCHAR(64) NOT NULL,"
                   " \"Order\" INTEGER, \"Include\" BOOLEAN NOT NULL, \"Description\" TEXT);"
                   "INSERT INTO \"Lines\" VALUES (3, 'Sommer', 0, 1, NULL);"
                   "CREATE TABLE \"ProdLines\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Name\" VARCHAR(64) NOT NULL,"
                   " \"LineID\" INTEGER NOT NULL, \"ProductID\" INTEGER NOT NULL, \"Order\" INTEGER);");
  ShopDatabase db;
  db.OpenOrCreate(path);
  SchemaReport report = CreateShopSchema(db, 150);
  ASSERT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures.front());

  CRecSetCategories categories(db);
  categories.Open();
  ASSERT_EQ(categories.GetRecordCount(), 1);
  EXPECT_EQ(categories->ID, 7);
  EXPECT_EQ(categories->Name, "Bücher");
  CRecSetLines lines(db);
  lines.Open();
  ASSERT_EQ(lines.GetRecordCount(), 1);
  EXPECT_EQ(lines->Name, "Sommer");
  EXPECT_EQ(ReadForeignKeys(db, "ProdLines").size(), 2u) << "the missing relations were added";
  EXPECT_TRUE(db.TableExists("Password"));
  EXPECT_TRUE(db.TableExists("Version"));
}

TEST(ShopSchema, ExistingRowsThatBreakARelationFailTheCreation) {
  TempDir dir;
  const auto path = dir / "broken.mdb";
  test::ExecOnFile(path,
                   "CREATE TABLE \"ShipCharges\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Break\" FLOAT NOT NULL,"
                   " \"Charge\" FLOAT NOT NULL, \"ShippingID\" INTEGER NOT NULL);"
                   "INSERT INTO \"ShipCharges\" VALUES (1, 10, 2.5, 99);");
  ShopDatabase db;
  db.OpenOrCreate(path);
  SchemaReport report = CreateShopSchema(db, 150);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(ReadStoredVersion(db), 0) << "no version row after a failed creation";
  EXPECT_EQ(TableRowCount(db, "ShipCharges"), 1) << "the rows stay as they were";
}

}  // namespace
}  // namespace vendora
