#pragma once
// Typed rows of the shop tables. Members are named exactly like the database fields.
// A fresh row is "cleared": texts empty, numbers 0, flags false (a category starts
// included). The defaults a new settings row gets are in default_rows.h.
//
// Null: a text read as null is empty; a Long read as null is 0, except
// Products.IndexID, the one optional reference, and Version.LangID, where null means
// "any language" (see LangIdRow); both are std::optional.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace vendora {

template <class Row, class T>
struct BoundField {
  std::string_view name;
  T Row::*member;
};

template <class Row, class T>
constexpr BoundField<Row, T> Bind(std::string_view name, T Row::*member) {
  return {name, member};
}

// Specialised per row type: the table, the default sort and the bound fields.
template <class Row>
struct RowTraits;

#define VENDORA_ROW_TRAITS(RowType, TableName, Sort, ...)          \
  template <>                                                       \
  struct RowTraits<RowType> {                                       \
    static constexpr std::string_view kTable = TableName;           \
    static constexpr std::string_view kDefaultSort = Sort;          \
    static constexpr auto kFields = std::make_tuple(__VA_ARGS__);   \
  };

struct CategoriesRow {
  int32_t ID = 0;
  bool Include = true;
  std::string Name;
  int32_t Order = 0;
  std::string Description;
};
VENDORA_ROW_TRAITS(CategoriesRow, "Categories", "[Order]", Bind("ID", &CategoriesRow::ID),
                   Bind("Include", &CategoriesRow::Include), Bind("Name", &CategoriesRow::Name),
                   Bind("Order", &CategoriesRow::Order), Bind("Description", &CategoriesRow::Description))

struct CompanyRow {
  int32_t ID = 0;
  std::string StoreName, Company, Address1, Address2, City, State, ZIP, Country, Phone1, Phone2, Fax1, Fax2,
      EmailInfo, EmailSupport, EmailPress, EmailSales, Description, Keywords, LogoExt;
  bool LogoUseall = false;
};
VENDORA_ROW_TRAITS(CompanyRow, "Company", "", Bind("ID", &CompanyRow::ID), Bind("StoreName", &CompanyRow::StoreName),
                   Bind("Company", &CompanyRow::Company), Bind("Address1", &CompanyRow::Address1),
                   Bind("Address2", &CompanyRow::Address2), Bind("City", &CompanyRow::City),
                   Bind("State", &CompanyRow::State), Bind("ZIP", &CompanyRow::ZIP),
                   Bind("Country", &CompanyRow::Country), Bind("Phone1", &CompanyRow::Phone1),
                   Bind("Phone2", &CompanyRow::Phone2), Bind("Fax1", &CompanyRow::Fax1),
                   Bind("Fax2", &CompanyRow::Fax2), Bind("EmailInfo", &CompanyRow::EmailInfo),
                   Bind("EmailSupport", &CompanyRow::EmailSupport), Bind("EmailPress", &CompanyRow::EmailPress),
                   Bind("EmailSales", &CompanyRow::EmailSales), Bind("Description", &CompanyRow::Description),
                   Bind("Keywords", &CompanyRow::Keywords), Bind("LogoExt", &CompanyRow::LogoExt),
                   Bind("LogoUseall", &CompanyRow::LogoUseall))

struct CreditCardsRow {
  int32_t ID = 0;
  std::string Name;
  int32_t Order = 0;
};
VENDORA_ROW_TRAITS(CreditCardsRow, "CreditCards", "[Order]", Bind("ID", &CreditCardsRow::ID),
                   Bind("Name", &CreditCardsRow::Name), Bind("Order", &CreditCardsRow::Order))

struct DiscountRow {
  float Break = 0;
  float Discount = 0;
};
VENDORA_ROW_TRAITS(DiscountRow, "Discount", "[Break]", Bind("Break", &DiscountRow::Break),
                   Bind("Discount", &DiscountRow::Discount))

struct FtpServerRow {
  int32_t ID = 0;
  std::string HostName;
  int32_t HostPort = 0;
  std::string HostUser, HostPass, HostAcct;
  int32_t ProxyType = 0;
  std::string ProxyName;
  int32_t ProxyPort = 0;
  std::string ProxyUser, ProxyPass, ProxyAcct, RemoteDir, RemoteScript;
  bool Passive = false;
  bool UseTls = false;
  std::string TlsFingerprint = {};
  int32_t Protocol = 0;  // kProtocolFtp, kProtocolFtps, kProtocolSftp
  int32_t SftpPort = 22;
};
inline constexpr int32_t kProtocolFtp = 0, kProtocolFtps = 1, kProtocolSftp = 2;
VENDORA_ROW_TRAITS(FtpServerRow, "FtpServer", "", Bind("ID", &FtpServerRow::ID),
                   Bind("HostName", &FtpServerRow::HostName), Bind("HostPort", &FtpServerRow::HostPort),
                   Bind("HostUser", &FtpServerRow::HostUser), Bind("HostPass", &FtpServerRow::HostPass),
                   Bind("HostAcct", &FtpServerRow::HostAcct), Bind("ProxyType", &FtpServerRow::ProxyType),
                   Bind("ProxyName", &FtpServerRow::ProxyName), Bind("ProxyPort", &FtpServerRow::ProxyPort),
                   Bind("ProxyUser", &FtpServerRow::ProxyUser), Bind("ProxyPass", &FtpServerRow::ProxyPass),
                   Bind("ProxyAcct", &FtpServerRow::ProxyAcct), Bind("RemoteDir", &FtpServerRow::RemoteDir),
                   Bind("RemoteScript", &FtpServerRow::RemoteScript), Bind("Passive", &FtpServerRow::Passive),
                   Bind("UseTls", &FtpServerRow::UseTls), Bind("TlsFingerprint", &FtpServerRow::TlsFingerprint),
                   Bind("Protocol", &FtpServerRow::Protocol), Bind("SftpPort", &FtpServerRow::SftpPort))

struct GiftWrapsRow {
  int32_t ID = 0;
  std::string Name;
  std::string Ext;
  int32_t Order = 0;
};
VENDORA_ROW_TRAITS(GiftWrapsRow, "GiftWraps", "[Order]", Bind("ID", &GiftWrapsRow::ID),
                   Bind("Name", &GiftWrapsRow::Name), Bind("Ext", &GiftWrapsRow::Ext),
                   Bind("Order", &GiftWrapsRow::Order))

struct IndexRow {
  int32_t ID = 0;
  std::string Name;
};
VENDORA_ROW_TRAITS(IndexRow, "Index", "[Name]", Bind("ID", &IndexRow::ID), Bind("Name", &IndexRow::Name))

struct InterfacesRow {
  int32_t ID = 0;
  std::string GSet;
  bool TextOnly = false;
  bool UseDefaultFonts = false;
  std::string MainFont, AltFont;
  bool MenuTop = false, MenuTopHomePage = false, MenuBottom = false, GenerateIndex = false, IndexFirst = false,
       IndexSort = false, CatHorizontal = false, CatHorzFreeWrap = false;
  int32_t CatHorzWrapOn = 0;
  bool CatVertDescription = false, CatVertDividers = false, CatExtraSpacing = false, LinesHorizontal = false,
       LinesHorzFreeWrap = false;
  int32_t LinesHorzWrapOn = 0;
  bool LinesVertDescription = false, LinesVertDividers = false, LinesExtraSpacing = false, LinesFirst = false,
       LinesOnProducts = false, GenerateDetails = false, UseTableBorders = false, UseThumbnails = false;
  int32_t Quality = 0;
};
VENDORA_ROW_TRAITS(InterfacesRow, "Interfaces", "", Bind("ID", &InterfacesRow::ID),
                   Bind("GSet", &InterfacesRow::GSet), Bind("TextOnly", &InterfacesRow::TextOnly),
                   Bind("UseDefaultFonts", &InterfacesRow::UseDefaultFonts),
                   Bind("MainFont", &InterfacesRow::MainFont), Bind("AltFont", &InterfacesRow::AltFont),
                   Bind("MenuTop", &InterfacesRow::MenuTop), Bind("MenuTopHomePage", &InterfacesRow::MenuTopHomePage),
                   Bind("MenuBottom", &InterfacesRow::MenuBottom),
                   Bind("GenerateIndex", &InterfacesRow::GenerateIndex),
                   Bind("IndexFirst", &InterfacesRow::IndexFirst), Bind("IndexSort", &InterfacesRow::IndexSort),
                   Bind("CatHorizontal", &InterfacesRow::CatHorizontal),
                   Bind("CatHorzFreeWrap", &InterfacesRow::CatHorzFreeWrap),
                   Bind("CatHorzWrapOn", &InterfacesRow::CatHorzWrapOn),
                   Bind("CatVertDescription", &InterfacesRow::CatVertDescription),
                   Bind("CatVertDividers", &InterfacesRow::CatVertDividers),
                   Bind("CatExtraSpacing", &InterfacesRow::CatExtraSpacing),
                   Bind("LinesHorizontal", &InterfacesRow::LinesHorizontal),
                   Bind("LinesHorzFreeWrap", &InterfacesRow::LinesHorzFreeWrap),
                   Bind("LinesHorzWrapOn", &InterfacesRow::LinesHorzWrapOn),
                   Bind("LinesVertDescription", &InterfacesRow::LinesVertDescription),
                   Bind("LinesVertDividers", &InterfacesRow::LinesVertDividers),
                   Bind("LinesExtraSpacing", &InterfacesRow::LinesExtraSpacing),
                   Bind("LinesFirst", &InterfacesRow::LinesFirst),
                   Bind("LinesOnProducts", &InterfacesRow::LinesOnProducts),
                   Bind("GenerateDetails", &InterfacesRow::GenerateDetails),
                   Bind("UseTableBorders", &InterfacesRow::UseTableBorders),
                   Bind("UseThumbnails", &InterfacesRow::UseThumbnails), Bind("Quality", &InterfacesRow::Quality))

struct ItemsRow {
  int32_t ID = 0;
  int32_t ProductID = 0;
  int32_t Order = 0;
  std::string ItemNumber;
  int32_t SubAttrID1 = 0;
  int32_t SubAttrID2 = 0;
  float Weight = 0, MPrice = 0, SPrice = 0, Shipping = 0;
  bool Available = false;
};
VENDORA_ROW_TRAITS(ItemsRow, "Items", "[Order]", Bind("ID", &ItemsRow::ID), Bind("ProductID", &ItemsRow::ProductID),
                   Bind("Order", &ItemsRow::Order), Bind("ItemNumber", &ItemsRow::ItemNumber),
                   Bind("SubAttrID1", &ItemsRow::SubAttrID1), Bind("SubAttrID2", &ItemsRow::SubAttrID2),
                   Bind("Weight", &ItemsRow::Weight), Bind("MPrice", &ItemsRow::MPrice),
                   Bind("SPrice", &ItemsRow::SPrice), Bind("Shipping", &ItemsRow::Shipping),
                   Bind("Available", &ItemsRow::Available))

// Narrow view of Items: key and owner only.
struct ItemIdRow {
  int32_t ID = 0;
  int32_t ProductID = 0;
};
VENDORA_ROW_TRAITS(ItemIdRow, "Items", "[Order]", Bind("ID", &ItemIdRow::ID),
                   Bind("ProductID", &ItemIdRow::ProductID))

// Narrow view of Version: the language only. Null (a file made without a language)
// stands for the any-language marker, as the classic engine read a null Long.
struct LangIdRow {
  std::optional<int32_t> LangID;
};
VENDORA_ROW_TRAITS(LangIdRow, "Version", "", Bind("LangID", &LangIdRow::LangID))

struct LanguageRow {
  int32_t ID = 0;
  std::string Text;
};
VENDORA_ROW_TRAITS(LanguageRow, "Language", "[ID]", Bind("ID", &LanguageRow::ID), Bind("Text", &LanguageRow::Text))

struct LinesRow {
  int32_t ID = 0;
  std::string Name;
  int32_t Order = 0;
  bool Include = false;
  std::string Description;
};
VENDORA_ROW_TRAITS(LinesRow, "Lines", "[Order]", Bind("ID", &LinesRow::ID), Bind("Name", &LinesRow::Name),
                   Bind("Order", &LinesRow::Order), Bind("Include", &LinesRow::Include),
                   Bind("Description", &LinesRow::Description))

struct MainAttributesRow {
  int32_t ID = 0;
  std::string Name;
};
VENDORA_ROW_TRAITS(MainAttributesRow, "MainAttributes", "[Name]", Bind("ID", &MainAttributesRow::ID),
                   Bind("Name", &MainAttributesRow::Name))

struct OptionsRow {
  bool ReqEmail = false, ReqPhone = false, ReqFax = false, ElectronicSubmit = false, PrintMail = false,
       PrintFax = false;
  std::string MCurrency, SCurrency;
  bool DoFactor = false;
  float Factor = 0;
  bool UseDecComma = false;
  int32_t TaxType = 0;
  int32_t DefTaxTypeID = 0;
  int32_t ShippingCalcType = 0;
  int32_t OfferDiscounts = 0;
  bool OfferGiftWrap = false;
  float WrapCharge = 0;
  bool WrapPerItem = false;
  bool OfferGiftMessage = false;
  float MessageCharge = 0;
  int32_t LastFTP = 0;
  bool ReqCustID = false, ReqCountry = false;
  float MinAmount = 0;
  bool Insurance = false;
  float InsuranceValue = 0, InsuranceLimit = 0;
  bool InsuranceReplaces = false;
  float InsuranceReplacesValue = 0;
};
VENDORA_ROW_TRAITS(OptionsRow, "Options", "", Bind("ReqEmail", &OptionsRow::ReqEmail),
                   Bind("ReqPhone", &OptionsRow::ReqPhone), Bind("ReqFax", &OptionsRow::ReqFax),
                   Bind("ElectronicSubmit", &OptionsRow::ElectronicSubmit), Bind("PrintMail", &OptionsRow::PrintMail),
                   Bind("PrintFax", &OptionsRow::PrintFax), Bind("MCurrency", &OptionsRow::MCurrency),
                   Bind("SCurrency", &OptionsRow::SCurrency), Bind("DoFactor", &OptionsRow::DoFactor),
                   Bind("Factor", &OptionsRow::Factor), Bind("UseDecComma", &OptionsRow::UseDecComma),
                   Bind("TaxType", &OptionsRow::TaxType), Bind("DefTaxTypeID", &OptionsRow::DefTaxTypeID),
                   Bind("ShippingCalcType", &OptionsRow::ShippingCalcType),
                   Bind("OfferDiscounts", &OptionsRow::OfferDiscounts),
                   Bind("OfferGiftWrap", &OptionsRow::OfferGiftWrap), Bind("WrapCharge", &OptionsRow::WrapCharge),
                   Bind("WrapPerItem", &OptionsRow::WrapPerItem),
                   Bind("OfferGiftMessage", &OptionsRow::OfferGiftMessage),
                   Bind("MessageCharge", &OptionsRow::MessageCharge), Bind("LastFTP", &OptionsRow::LastFTP),
                   Bind("ReqCustID", &OptionsRow::ReqCustID), Bind("ReqCountry", &OptionsRow::ReqCountry),
                   Bind("MinAmount", &OptionsRow::MinAmount), Bind("Insurance", &OptionsRow::Insurance),
                   Bind("InsuranceValue", &OptionsRow::InsuranceValue),
                   Bind("InsuranceLimit", &OptionsRow::InsuranceLimit),
                   Bind("InsuranceReplaces", &OptionsRow::InsuranceReplaces),
                   Bind("InsuranceReplacesValue", &OptionsRow::InsuranceReplacesValue))

struct PasswordRow {
  int32_t ID = 0;
  std::string Password;
};
VENDORA_ROW_TRAITS(PasswordRow, "Password", "", Bind("ID", &PasswordRow::ID), Bind("Password", &PasswordRow::Password))

struct PayvaneRow {
  int32_t ID = 0;
  bool Use = false;
  std::string Server;
  int32_t Port = 0, TimeOut = 0, HID = 0;
  std::string RsaE, RsaN;
  float Price = 0;
  int32_t OlpType = 0, TxType = 0;
  std::string SealKey = {};
};
VENDORA_ROW_TRAITS(PayvaneRow, "Payvane", "", Bind("ID", &PayvaneRow::ID), Bind("Use", &PayvaneRow::Use),
                   Bind("Server", &PayvaneRow::Server), Bind("Port", &PayvaneRow::Port),
                   Bind("TimeOut", &PayvaneRow::TimeOut), Bind("HID", &PayvaneRow::HID),
                   Bind("RsaE", &PayvaneRow::RsaE), Bind("RsaN", &PayvaneRow::RsaN), Bind("Price", &PayvaneRow::Price),
                   Bind("OlpType", &PayvaneRow::OlpType), Bind("TxType", &PayvaneRow::TxType),
                   Bind("SealKey", &PayvaneRow::SealKey))

struct PaymentsRow {
  int32_t ID = 0;
  bool Include = false;
  std::string Name;
  float Price = 0;
  std::string Code;
  int32_t Order = 0;
};
VENDORA_ROW_TRAITS(PaymentsRow, "Payments", "[Order]", Bind("ID", &PaymentsRow::ID),
                   Bind("Include", &PaymentsRow::Include), Bind("Name", &PaymentsRow::Name),
                   Bind("Price", &PaymentsRow::Price), Bind("Code", &PaymentsRow::Code),
                   Bind("Order", &PaymentsRow::Order))

struct ProdLinesRow {
  int32_t ID = 0;
  std::string Name;
  int32_t LineID = 0;
  int32_t ProductID = 0;
  int32_t Order = 0;
};
VENDORA_ROW_TRAITS(ProdLinesRow, "ProdLines", "[Order]", Bind("ID", &ProdLinesRow::ID),
                   Bind("Name", &ProdLinesRow::Name), Bind("LineID", &ProdLinesRow::LineID),
                   Bind("ProductID", &ProdLinesRow::ProductID), Bind("Order", &ProdLinesRow::Order))

// Narrow view of ProdLines: the line only.
struct ProdLineLineIdRow {
  int32_t LineID = 0;
};
VENDORA_ROW_TRAITS(ProdLineLineIdRow, "ProdLines", "[Order]", Bind("LineID", &ProdLineLineIdRow::LineID))

struct ProductsRow {
  int32_t ID = 0;
  std::string Name;
  int32_t TaxID = 0;
  int32_t CategoryID = 0;
  int32_t Order = 0;
  std::optional<int32_t> IndexID;
  std::string ShortDesc, LongDesc;
  int32_t AttributeID1 = 0;
  int32_t AttributeID2 = 0;
  std::string MultiMediaFile1, MultiMediaFile2, MultiMediaFile3;
  bool Available = false;
};
VENDORA_ROW_TRAITS(ProductsRow, "Products", "[Order]", Bind("ID", &ProductsRow::ID), Bind("Name", &ProductsRow::Name),
                   Bind("TaxID", &ProductsRow::TaxID), Bind("CategoryID", &ProductsRow::CategoryID),
                   Bind("Order", &ProductsRow::Order), Bind("IndexID", &ProductsRow::IndexID),
                   Bind("ShortDesc", &ProductsRow::ShortDesc), Bind("LongDesc", &ProductsRow::LongDesc),
                   Bind("AttributeID1", &ProductsRow::AttributeID1),
                   Bind("AttributeID2", &ProductsRow::AttributeID2),
                   Bind("MultiMediaFile1", &ProductsRow::MultiMediaFile1),
                   Bind("MultiMediaFile2", &ProductsRow::MultiMediaFile2),
                   Bind("MultiMediaFile3", &ProductsRow::MultiMediaFile3),
                   Bind("Available", &ProductsRow::Available))

// What a catalogue walk reads of a product: no picture names, and [Order] as stored
// (an empty order sorts first, as the database sorts it).
struct ProductWalkRow {
  int32_t ID = 0;
  std::string Name;
  int32_t TaxID = 0;
  int32_t CategoryID = 0;
  std::optional<int32_t> Order;
  std::optional<int32_t> IndexID;
  std::string ShortDesc, LongDesc;
  int32_t AttributeID1 = 0;
  int32_t AttributeID2 = 0;
};
VENDORA_ROW_TRAITS(ProductWalkRow, "Products", "[Order]", Bind("ID", &ProductWalkRow::ID),
                   Bind("Name", &ProductWalkRow::Name), Bind("TaxID", &ProductWalkRow::TaxID),
                   Bind("CategoryID", &ProductWalkRow::CategoryID), Bind("Order", &ProductWalkRow::Order),
                   Bind("IndexID", &ProductWalkRow::IndexID), Bind("ShortDesc", &ProductWalkRow::ShortDesc),
                   Bind("LongDesc", &ProductWalkRow::LongDesc), Bind("AttributeID1", &ProductWalkRow::AttributeID1),
                   Bind("AttributeID2", &ProductWalkRow::AttributeID2))

// Narrow view of Products: owner and key only.
struct ProductIdsRow {
  int32_t CategoryID = 0;
  int32_t ID = 0;
};
VENDORA_ROW_TRAITS(ProductIdsRow, "Products", "[Order]", Bind("CategoryID", &ProductIdsRow::CategoryID),
                   Bind("ID", &ProductIdsRow::ID))

struct ShipChargesRow {
  int32_t ID = 0;
  float Break = 0;
  float Charge = 0;
  int32_t ShippingID = 0;
};
VENDORA_ROW_TRAITS(ShipChargesRow, "ShipCharges", "[Break]", Bind("ID", &ShipChargesRow::ID),
                   Bind("Break", &ShipChargesRow::Break), Bind("Charge", &ShipChargesRow::Charge),
                   Bind("ShippingID", &ShipChargesRow::ShippingID))

struct ShippingRow {
  int32_t ID = 0;
  std::string Name;
  int32_t Order = 0;
};
VENDORA_ROW_TRAITS(ShippingRow, "Shipping", "[Order]", Bind("ID", &ShippingRow::ID), Bind("Name", &ShippingRow::Name),
                   Bind("Order", &ShippingRow::Order))

struct SubAttributesRow {
  int32_t ID = 0;
  std::string Name;
  int32_t MainAttrID = 0;
};
VENDORA_ROW_TRAITS(SubAttributesRow, "SubAttributes", "[Name]", Bind("ID", &SubAttributesRow::ID),
                   Bind("Name", &SubAttributesRow::Name), Bind("MainAttrID", &SubAttributesRow::MainAttrID))

struct TaxesByAreaRow {
  int32_t ID = 0;
  std::string Area;
  float Rate = 0;
};
VENDORA_ROW_TRAITS(TaxesByAreaRow, "TaxesByArea", "[Area]", Bind("ID", &TaxesByAreaRow::ID),
                   Bind("Area", &TaxesByAreaRow::Area), Bind("Rate", &TaxesByAreaRow::Rate))

struct TaxesByTypeRow {
  int32_t ID = 0;
  std::string Type;
  float Rate = 0;
};
VENDORA_ROW_TRAITS(TaxesByTypeRow, "TaxesByType", "[Rate]", Bind("ID", &TaxesByTypeRow::ID),
                   Bind("Type", &TaxesByTypeRow::Type), Bind("Rate", &TaxesByTypeRow::Rate))

struct TextBlocksRow {
  std::string Welcome, Instructions, Policy, Thankyou;
  bool PolicyJava = false;
  std::string Privacy = {}, Withdrawal = {};
};
VENDORA_ROW_TRAITS(TextBlocksRow, "TextBlocks", "", Bind("Welcome", &TextBlocksRow::Welcome),
                   Bind("Instructions", &TextBlocksRow::Instructions), Bind("Policy", &TextBlocksRow::Policy),
                   Bind("Thankyou", &TextBlocksRow::Thankyou), Bind("PolicyJava", &TextBlocksRow::PolicyJava),
                   Bind("Privacy", &TextBlocksRow::Privacy), Bind("Withdrawal", &TextBlocksRow::Withdrawal))

// Narrow view of Version: the version number only.
struct VersionRow {
  int32_t Version = 0;
};
VENDORA_ROW_TRAITS(VersionRow, "Version", "", Bind("Version", &VersionRow::Version))

struct WebServerRow {
  int32_t ID = 0;
  std::string HomeURL;
  bool StandAlone = false;
  std::string StoreURL;
  bool ExitToTopFrame = false;
  std::string FileName, StorePath, ScriptURL;
  int32_t ScriptExt = 0;
  std::string PerlPath;
  int32_t MailOption = 0;
  std::string MailExec, MailHost;
};
VENDORA_ROW_TRAITS(WebServerRow, "WebServer", "", Bind("ID", &WebServerRow::ID),
                   Bind("HomeURL", &WebServerRow::HomeURL), Bind("StandAlone", &WebServerRow::StandAlone),
                   Bind("StoreURL", &WebServerRow::StoreURL), Bind("ExitToTopFrame", &WebServerRow::ExitToTopFrame),
                   Bind("FileName", &WebServerRow::FileName), Bind("StorePath", &WebServerRow::StorePath),
                   Bind("ScriptURL", &WebServerRow::ScriptURL), Bind("ScriptExt", &WebServerRow::ScriptExt),
                   Bind("PerlPath", &WebServerRow::PerlPath), Bind("MailOption", &WebServerRow::MailOption),
                   Bind("MailExec", &WebServerRow::MailExec), Bind("MailHost", &WebServerRow::MailHost))

#undef VENDORA_ROW_TRAITS

}  // namespace vendora
