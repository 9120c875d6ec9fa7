#include "shopdb/schema.h"

#include <stdexcept>

#include "common/text_format.h"

namespace vendora {
namespace {

constexpr bool kReq = true;
constexpr bool kEmpty = true;

FieldDef Key() { return {"ID", FieldType::AutoNumber, 0, false, false}; }
FieldDef Long(std::string_view n, bool req = false) { return {n, FieldType::Long, 0, req, false}; }
FieldDef Text(std::string_view n, int w, bool req = false, bool empty = false) {
  return {n, FieldType::Text, w, req, empty};
}
FieldDef Memo(std::string_view n, bool req = false, bool empty = false) {
  return {n, FieldType::Memo, 0, req, empty};
}
FieldDef Bool(std::string_view n, bool req = false) { return {n, FieldType::Boolean, 0, req, false}; }
FieldDef Single(std::string_view n, bool req = false) { return {n, FieldType::Single, 0, req, false}; }

IndexDef Primary(std::string_view name) { return {name, "ID", true, true, true}; }

std::vector<TableDef> BuildTables() {
  using enum TableKind;
  std::vector<TableDef> t;
  t.push_back({"Version", Settings, {Long("Version", kReq), Long("LangID")}, {}});
  t.push_back({"MainAttributes", List, {Key(), Text("Name", 64, kReq, kEmpty)}, {Primary("IdxAttributes")}});
  t.push_back({"SubAttributes",
               List,
               {Key(), Text("Name", 64, kReq, kEmpty), Long("MainAttrID", kReq)},
               {Primary("IdxAttributes")}});
  t.push_back({"Categories",
               List,
               {Key(), Bool("Include", kReq), Text("Name", 64, kReq), Long("Order"), Memo("Description")},
               {Primary("IdxCategories")}});
  t.push_back({"Company",
               Settings,
               {Key(),
                Text("StoreName", 64, kReq),
                Text("Company", 64, false, kEmpty),
                Text("Address1", 64, false, kEmpty),
                Text("Address2", 64, false, kEmpty),
                Text("City", 32, false, kEmpty),
                Text("State", 8, false, kEmpty),
                Text("ZIP", 10, false, kEmpty),
                Text("Country", 64, false, kEmpty),
                Text("Phone1", 32, false, kEmpty),
                Text("Phone2", 32, false, kEmpty),
                Text("Fax1", 32, false, kEmpty),
                Text("Fax2", 32, false, kEmpty),
                Text("EmailInfo", 255, false, kEmpty),
                Text("EmailSupport", 255, false, kEmpty),
                Text("EmailPress", 255, false, kEmpty),
                Text("EmailSales", 255, false, kEmpty),
                Memo("Description", false, kEmpty),
                Memo("Keywords", false, kEmpty),
                Text("LogoExt", 5, false, kEmpty),
                Bool("LogoUseall", kReq)},
               {Primary("IdxCompany")}});
  t.push_back({"CreditCards",
               List,
               {Key(), Text("Name", 64, kReq), Long("Order", kReq)},
               {Primary("IdxCreditCards")}});
  t.push_back({"Discount", List, {Single("Break", kReq), Single("Discount", kReq)}, {}});
  t.push_back({"GiftWraps",
               List,
               {Key(), Text("Name", 64, kReq), Text("Ext", 5, false, kEmpty), Long("Order")},
               {Primary("IdxGiftWraps")}});
  t.push_back({"Index", List, {Key(), Text("Name", 64, kReq, kEmpty)}, {Primary("IdxIndex")}});
  t.push_back({"Interfaces",
               Settings,
               {Key(),
                Text("GSet", 255, false, kEmpty),
                Bool("TextOnly", kReq),
                Bool("UseDefaultFonts", kReq),
                Text("MainFont", 255, false, kEmpty),
                Text("AltFont", 255, false, kEmpty),
                Bool("MenuTop", kReq),
                Bool("MenuTopHomePage", kReq),
                Bool("MenuBottom", kReq),
                Bool("GenerateIndex", kReq),
                Bool("IndexFirst", kReq),
                Bool("IndexSort", kReq),
                Bool("CatHorizontal", kReq),
                Bool("CatHorzFreeWrap", kReq),
                Long("CatHorzWrapOn", kReq),
                Bool("CatVertDescription", kReq),
                Bool("CatVertDividers", kReq),
                Bool("CatExtraSpacing", kReq),
                Bool("LinesHorizontal", kReq),
                Bool("LinesHorzFreeWrap", kReq),
                Long("LinesHorzWrapOn", kReq),
                Bool("LinesVertDescription", kReq),
                Bool("LinesVertDividers", kReq),
                Bool("LinesExtraSpacing", kReq),
                Bool("LinesFirst", kReq),
                Bool("LinesOnProducts", kReq),
                Bool("GenerateDetails", kReq),
                Bool("UseTableBorders", kReq),
                Bool("UseThumbnails", kReq),
                Long("Quality")},
               {Primary("IdxInterfaces")}});
  t.push_back({"Items",
               List,
               {Key(), Long("ProductID", kReq), Long("Order", kReq), Text("ItemNumber", 64, kReq),
                Long("SubAttrID1", kReq), Long("SubAttrID2", kReq), Single("Weight"), Single("MPrice"),
                Single("SPrice"), Single("Shipping"), Bool("Available", kReq)},
               {Primary("IdxItems")}});
  t.push_back({"Lines",
               List,
               {Key(), Text("Name", 64, kReq), Long("Order"), Bool("Include", kReq), Memo("Description")},
               {Primary("IdxLines")}});
  t.push_back({"Options",
               Settings,
               {Bool("ReqEmail", kReq),
                Bool("ReqPhone", kReq),
                Bool("ReqFax", kReq),
                Bool("ElectronicSubmit", kReq),
                Bool("PrintMail", kReq),
                Bool("PrintFax", kReq),
                Text("MCurrency", 5, kReq),
                Text("SCurrency", 5, false, kEmpty),
                Bool("DoFactor", kReq),
                Single("Factor", kReq),
                Bool("UseDecComma", kReq),
                Long("TaxType", kReq),
                Long("DefTaxTypeID", kReq),
                Long("ShippingCalcType"),
                Long("OfferDiscounts", kReq),
                Bool("OfferGiftWrap", kReq),
                Single("WrapCharge"),
                Bool("WrapPerItem", kReq),
                Bool("OfferGiftMessage", kReq),
                Single("MessageCharge", kReq),
                Long("LastFTP"),
                Bool("ReqCustID", kReq),
                Bool("ReqCountry", kReq),
                Single("MinAmount", kReq),
                Bool("Insurance", kReq),
                Single("InsuranceValue", kReq),
                Single("InsuranceLimit", kReq),
                Bool("InsuranceReplaces", kReq),
                Single("InsuranceReplacesValue", kReq)},
               {}});
  t.push_back({"Payments",
               List,
               {Key(), Bool("Include", kReq), Text("Name", 64, kReq), Single("Price", kReq),
                Text("Code", 4, false, kEmpty), Long("Order")},
               {Primary("IdxPayments")}});
  t.push_back({"ProdLines",
               List,
               {Key(), Text("Name", 64, kReq), Long("LineID", kReq), Long("ProductID", kReq), Long("Order")},
               {Primary("IdxProdLines"), {"IdxProdLines1", "ProductID", false, false, true}}});
  t.push_back({"Products",
               List,
               {Key(), Text("Name", 64, kReq), Long("TaxID", kReq), Long("CategoryID", kReq), Long("Order"),
                Long("IndexID"), Text("ShortDesc", 255, false, kEmpty), Memo("LongDesc", false, kEmpty),
                Long("AttributeID1", kReq), Long("AttributeID2", kReq), Text("MultiMediaFile1", 255),
                Text("MultiMediaFile2", 50), Text("MultiMediaFile3", 50), Bool("Available", kReq)},
               {Primary("IdxProducts")}});
  t.push_back({"WebServer",
               Settings,
               {Key(), Text("HomeURL", 255, kReq), Bool("StandAlone", kReq), Text("StoreURL", 255),
                Bool("ExitToTopFrame"), Text("FileName", 255, kReq), Text("StorePath", 255, kReq),
                Text("ScriptURL", 255, kReq), Long("ScriptExt", kReq), Text("PerlPath", 255, kReq),
                Long("MailOption", kReq), Text("MailExec", 255), Text("MailHost", 255)},
               {Primary("IdxServerSetup")}});
  t.push_back({"FtpServer",
               Settings,
               {Key(), Text("HostName", 255, kReq), Long("HostPort", kReq), Text("HostUser", 32, false, kEmpty),
                Text("HostPass", 32, false, kEmpty), Text("HostAcct", 32, false, kEmpty), Long("ProxyType", kReq),
                Text("ProxyName", 255, false, kEmpty), Long("ProxyPort"), Text("ProxyUser", 32, false, kEmpty),
                Text("ProxyPass", 32, false, kEmpty), Text("ProxyAcct", 32, false, kEmpty),
                Text("RemoteDir", 255, false, kEmpty), Text("RemoteScript", 255, false, kEmpty),
                Bool("Passive", kReq),
                // FTP over explicit TLS, and the certificate the merchant chose to trust
                // (SHA-256, 64 hex digits). Not in files of older programs; see
                // AddLaterProgramFields.
                Bool("UseTls", kReq), Text("TlsFingerprint", 64, false, kEmpty),
                // How the shop is published (0 FTP, 1 FTP over TLS, 2 SFTP) and the SSH
                // port. Later still: UseTls is carried over into Protocol on upgrade.
                Long("Protocol", kReq), Long("SftpPort", kReq)},
               {Primary("IdxServerSetup")}});
  t.push_back({"ShipCharges",
               List,
               {Key(), Single("Break", kReq), Single("Charge", kReq), Long("ShippingID", kReq)},
               {Primary("IdxShipCharges")}});
  t.push_back({"Shipping", List, {Key(), Text("Name", 64, kReq), Long("Order")}, {Primary("IdxShipping")}});
  t.push_back({"TaxesByArea",
               List,
               {Key(), Text("Area", 32, kReq), Single("Rate", kReq)},
               {Primary("IdxTaxesByArea")}});
  t.push_back({"TaxesByType",
               List,
               {Key(), Text("Type", 64, kReq), Single("Rate", kReq)},
               {Primary("IdxTaxesByType")}});
  t.push_back({"TextBlocks",
               Settings,
               {Memo("Welcome"), Memo("Instructions"), Memo("Policy"), Memo("Thankyou"), Bool("PolicyJava", kReq),
                // The privacy policy and the withdrawal notice a German shop must show;
                // not in files of older programs.
                Memo("Privacy"), Memo("Withdrawal")},
               {}});
  t.push_back({"Language", List, {Long("ID"), Memo("Text")}, {Primary("IdxLanguage")}});
  t.push_back({"Payvane",
               Settings,
               {Key(), Bool("Use"), Text("Server", 255, false, kEmpty), Long("Port"), Long("TimeOut"), Long("HID"),
                Text("RsaE", 255, false, kEmpty), Text("RsaN", 255, false, kEmpty), Single("Price"),
                Long("OlpType"), Long("TxType"),
                // The per-shop secret that seals a card payment's result between order
                // steps (64 hex digits); not in files of older programs.
                Text("SealKey", 64, false, kEmpty)},
               {Primary("IdxPayvane")}});
  t.push_back({"Password", Settings, {Key(), Text("Password", 16, false, kEmpty)}, {Primary("IdxPassword")}});
  return t;
}

std::vector<RelationDef> BuildRelations() {
  constexpr bool U = true, D = true, noD = false;
  return {
      {"AttributesProducts", "MainAttributes", "ID", "Products", "AttributeID1", U, noD},
      {"AttributesProducts1", "MainAttributes", "ID", "Products", "AttributeID2", U, noD},
      {"MainAttrsSubAttrs", "MainAttributes", "ID", "SubAttributes", "MainAttrID", U, D},
      {"MainAttrsSubAttrs1", "MainAttributes", "ID", "SubAttributes", "MainAttrID", U, D},
      {"SubAttrsItems", "SubAttributes", "ID", "Items", "SubAttrID1", U, noD},
      {"SubAttrsItems1", "SubAttributes", "ID", "Items", "SubAttrID2", U, noD},
      {"CategoriesProducts", "Categories", "ID", "Products", "CategoryID", U, D},
      {"TaxTypeProducts", "TaxesByType", "ID", "Products", "TaxID", U, noD},
      {"TaxTypeOptions", "TaxesByType", "ID", "Options", "DefTaxTypeID", U, noD},
      {"IndexProducts", "Index", "ID", "Products", "IndexID", U, noD},
      {"LinesProdLines", "Lines", "ID", "ProdLines", "LineID", U, D},
      {"ProductsItems", "Products", "ID", "Items", "ProductID", U, D},
      {"ProductsProdLines", "Products", "ID", "ProdLines", "ProductID", U, D},
      {"ShippingShipBreaks", "Shipping", "ID", "ShipCharges", "ShippingID", U, D},
  };
}

}  // namespace

const FieldDef* TableDef::Field(std::string_view fieldName) const {
  for (const auto& f : fields)
    if (f.name == fieldName) return &f;
  return nullptr;
}

const IndexDef* TableDef::PrimaryIndex() const {
  for (const auto& i : indexes)
    if (i.primary) return &i;
  return nullptr;
}

const std::vector<TableDef>& ShopTables() {
  static const std::vector<TableDef> tables = BuildTables();
  return tables;
}

const std::vector<RelationDef>& ShopRelations() {
  static const std::vector<RelationDef> relations = BuildRelations();
  return relations;
}

const TableDef& ShopTable(std::string_view name) {
  for (const auto& t : ShopTables())
    if (t.name == name) return t;
  throw std::out_of_range("unknown table " + std::string(name));
}

std::vector<const RelationDef*> RelationsOfReferringTable(std::string_view table) {
  std::vector<const RelationDef*> out;
  for (const auto& r : ShopRelations())
    if (r.referringTable == table) out.push_back(&r);
  return out;
}

std::string RelationIndexName(const RelationDef& relation) {
  return "IdxRel_" + std::string(relation.referringTable) + "_" + std::string(relation.referringField);
}

std::string QuoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string SqlColumnType(const FieldDef& field) {
  switch (field.type) {
    case FieldType::Long:
    case FieldType::AutoNumber: return "INTEGER";
    case FieldType::Text: return Format("VARCHAR(%d)", field.width);
    case FieldType::Memo: return "TEXT";
    case FieldType::Boolean: return "BOOLEAN";
    case FieldType::Single: return "FLOAT";
  }
  return "BLOB";
}

std::string SqlColumnDefinition(const FieldDef& field, const TableDef& table) {
  std::string col = QuoteIdentifier(field.name) + " " + SqlColumnType(field);
  const IndexDef* primary = table.PrimaryIndex();
  if (primary && primary->field == field.name) {
    col += " CONSTRAINT " + QuoteIdentifier(primary->name) + " PRIMARY KEY";
    if (field.type == FieldType::AutoNumber) col += " AUTOINCREMENT";
    col += " NOT NULL";
    return col;
  }
  if (field.required) col += " NOT NULL";
  std::string q = QuoteIdentifier(field.name);
  if (field.type == FieldType::Text) col += Format(" CHECK (length(%s) <= %d)", q, field.width);
  if ((field.type == FieldType::Text || field.type == FieldType::Memo) && !field.allowZeroLength)
    col += Format(" CHECK (%s <> '')", q);
  if (field.type == FieldType::Boolean) col += Format(" CHECK (%s IN (0, 1))", q);
  return col;
}

std::string SqlCreateTable(const TableDef& table, const std::vector<const RelationDef*>& relations,
                           std::string_view sqlName) {
  std::string sql = "CREATE TABLE " + QuoteIdentifier(sqlName.empty() ? table.name : sqlName) + " (";
  bool first = true;
  for (const auto& f : table.fields) {
    if (!first) sql += ", ";
    first = false;
    sql += SqlColumnDefinition(f, table);
  }
  for (const RelationDef* r : relations) {
    sql += ", CONSTRAINT " + QuoteIdentifier(r->name) + " FOREIGN KEY (" + QuoteIdentifier(r->referringField) +
           ") REFERENCES " + QuoteIdentifier(r->referredTable) + " (" + QuoteIdentifier(r->referredField) + ")";
    if (r->cascadeUpdate) sql += " ON UPDATE CASCADE";
    if (r->cascadeDelete) sql += " ON DELETE CASCADE";
  }
  sql += ")";
  return sql;
}

}  // namespace vendora
