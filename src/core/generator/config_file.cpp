#include "generator/config_file.h"

#include <optional>
#include <string>
#include <vector>

#include "app/program_identity.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "common/output_file.h"
#include "generator/perl_literal.h"
#include "generator/run_context.h"
#include "imaging/image_refs.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

std::vector<std::pair<const std::string*, std::string_view>> CompanyEmailFields(const CompanyRow& row) {
  return {{&row.EmailInfo, "E-Mail Information"},
          {&row.EmailSupport, "E-Mail Support"},
          {&row.EmailPress, "E-Mail Presse"},
          {&row.EmailSales, "E-Mail Verkauf"}};
}

namespace {

template <class Row>
std::vector<Row> ReadRows(ShopDatabase& db, Criteria filter = {}) {
  RecordSet<Row> set(db);
  set.SetFilter(std::move(filter));
  std::vector<Row> rows;
  set.ForEach([&](const Row& row) { rows.push_back(row); });
  return rows;
}

template <class Row>
Row ReadFirstRow(ShopDatabase& db) {
  RecordSet<Row> set(db);
  set.Open();
  return set.IsEOF() ? Row{} : *set;
}

std::optional<std::string> StoreText(ShopDatabase& db, int id) {
  const auto rows = ReadRows<LanguageRow>(db, Eq("ID", id));
  if (rows.empty()) return std::nullopt;
  return rows.front().Text;
}

bool IsBlank(std::string_view s) { return Trim(s).empty(); }

// Perl reads hexadecimal digits without letters as the decimal number the scripts
// compare with (407, 409). Digits with letters would be a bareword or, after a leading
// digit, a syntax error that stops the whole shop; they are written as a quoted text.
std::string LanguageDigits(int32_t langId) {
  const std::string digits = Format("%X", static_cast<uint32_t>(langId));
  return digits.find_first_not_of("0123456789") == std::string::npos ? digits : "'" + digits + "'";
}

// Writes the lines in the order the scripts expect. Merchant values go in as whole
// literals (perl_literal.h): for well-formed values the q{...}, '...' and "..." forms
// the scripts have always read.
class ConfigWriter {
 public:
  explicit ConfigWriter(RunContext& run) : run_(run), s_(run.settings), snap_(run.snapshot) {}

  // False with the message shown (consistency) or logged (database); the caller
  // closes the file either way.
  bool Write() {
    try {
      return WriteUrlsAndPaths() && WriteShop() && WriteShipping() && WriteDiscountAndTax() && WriteOrder() &&
             WriteGifts() && WriteOrderChannels() && WritePayment();
    } catch (const DbError& e) {
      LogDatabaseError(run_.log, e);
      return false;
    }
  }

  OutputFile out;

 private:
  template <class... Args>
  void Put(std::string_view format, const Args&... args) {
    out.Write(Format(format, args...));
  }
  void Blank() { out.WriteBytes("\n"); }

  bool Stop(int message) {
    run_.prompter.Show(std::string(ProgramText(message)), MessageIcon::Information);
    return false;
  }

  bool WriteUrlsAndPaths() {
    const auto& server = s_.server;
    const bool standAlone = snap_.webServer.StandAlone;
    Put("$Basis{'Extern'} = %s;\n", PerlSingleQuoted(server.homeUrl));
    // The web-server check has already reported a missing store URL.
    if (!standAlone && server.storeUrl.empty()) return false;
    Put("$Basis{'Url'} = %s;\n", PerlSingleQuoted(standAlone ? server.homeUrl : server.storeUrl));
    Put("$Basis{'CGI'} = %s;\n", PerlSingleQuoted(server.scriptUrl));
    Put("$Basis{'Thumbs'} = \"$Basis{'Url'}%s/\";\n", "thumbs");
    Put("$Basis{'Products'} = \"$Basis{'Url'}%s/\";\n", "prods");
    Put("$Basis{'Category'} = \"$Basis{'Url'}%s/\";\n", "cats");
    Put("$Basis{'Linies'} = \"$Basis{'Url'}%s/\";\n", "lines");
    Put("$Basis{'Gifts'} = \"$Basis{'Url'}%s/\";\n", "wraps");
    Put("$Basis{'Imgs'} = \"$Basis{'Url'}%s/\";\n", "imgs");
    Blank();
    Put("$Path{'Basis'} = %s;\n", PerlDoubleQuoted(server.storePath));
    Put("$Path{'Data'} = \"$Path{'Basis'}%s/\";\n", "data");
    Put("$Path{'OLP'} = \"$Path{'Data'}%s\";\n", "data");
    Put("$ConfFile{'GraphicSet'} = \"$Path{'Data'}%s\";\n", "color.cnf");
    Put("$ConfFile{'Language'} = \"$Path{'Data'}%s\";\n", "language.cnf");
    Blank();
    Put("$TocFile{'Category'} = \"$Path{'Data'}%s\";\n", "category.toc");
    Put("$TocFile{'Product'} = \"$Path{'Data'}%s\";\n", "product.toc");
    Put("$TocFile{'Items'} = \"$Path{'Data'}%s\";\n", "items.toc");
    Put("$TocFile{'Linies'} = \"$Path{'Data'}%s\";\n", "lines.toc");
    Put("$TocFile{'Index'} = \"$Path{'Data'}%s\";\n", "index.toc");
    Blank();
    Put("$IdxFile{'Category'} = \"$Path{'Data'}%s\";\n", "category.idx");
    Put("$IdxFile{'Product'} = \"$Path{'Data'}%s\";\n", "product.idx");
    Put("$IdxFile{'Line'} = \"$Path{'Data'}%s\";\n", "line.idx");
    Put("$IdxFile{'Index'} = \"$Path{'Data'}%s\";\n", "index.idx");
    Blank();
    Put("$Currency{'Master'} = %s;\n", PerlQ(s_.masterCurrency));
    Put("$pszMaPrice = %s;\n", PerlQ(s_.masterCurrency));
    Put("$Currency{'Second'} = %s;\n", PerlQ(s_.secondCurrency));
    Put("$pszSePrice = %s;\n", PerlQ(s_.secondCurrency));
    Blank();
    return true;
  }

  bool WriteShop() {
    const CompanyRow& c = snap_.company;
    const size_t slash = s_.logoRef.find('/');
    if (!s_.logoRef.empty() && slash != std::string::npos)
      run_.files.AddPublish(ShopSubfolder::Imgs, s_.logoRef.substr(0, slash));
    Put("$ShopSet{'Logo'} = %s;\n", PerlDoubleQuoted(s_.logoRef));
    auto q = [&](const char* key, const std::string& value) { Put("$ShopSet{'%s'} = %s;\n", key, PerlQ(value)); };
    q("StoreName", HtmlEscape(c.StoreName));
    std::string address = HtmlEscape(c.Address1);
    const std::string address2 = HtmlEscape(c.Address2);
    if (!address2.empty()) address += "<br>" + address2;
    q("Address", address);
    q("City", HtmlEscape(c.City));
    q("Zip", HtmlEscape(c.ZIP));
    q("State", HtmlEscape(c.State));
    q("Country", HtmlEscape(c.Country));
    q("Phone1", HtmlEscape(c.Phone1));
    q("Phone2", HtmlEscape(c.Phone2));
    q("Fax1", HtmlEscape(c.Fax1));
    q("Fax2", HtmlEscape(c.Fax2));
    q("EM_Info", HtmlEscape(c.EmailInfo));
    q("EM_Support", HtmlEscape(c.EmailSupport));
    q("EM_Press", HtmlEscape(c.EmailPress));
    q("EM_Sales", HtmlEscape(c.EmailSales));
    blocks_ = ReadFirstRow<TextBlocksRow>(run_.db);
    q("Welcome", TextToHtml(blocks_.Welcome));
    q("Instruction", TextToHtml(blocks_.Instructions));
    q("AGB", TextToHtml(blocks_.Policy));
    q("Thanks", TextToHtml(blocks_.Thankyou));
    // What the imprint, privacy and withdrawal pages of a German shop show.
    q("Company", HtmlEscape(c.Company));
    q("Privacy", TextToHtml(blocks_.Privacy));
    q("Withdrawal", TextToHtml(blocks_.Withdrawal));
    Blank();

    Put("$CategoryLayout{'Spacing'} = %d;\n", s_.categorySpacing);
    Put("$CategoryLayout{'Description'} = %d;\n", s_.categoryDescription);
    Put("$CategoryLayout{'Dividers'} = %d;\n", s_.categoryDividers);
    Put("$CategoryLayout{'Wrap'} = %d;\n", s_.categoryWrap);
    Blank();
    const LineLayout& l = s_.lines;
    Put("$LinesLayout{'Bool'} = %d;\n", l.present);
    Put("$LinesLayout{'Spacing'} = %d;\n", l.spacing);
    Put("$LinesLayout{'Description'} = %d;\n", l.description);
    Put("$LinesLayout{'Dividers'} = %d;\n", l.dividers);
    Put("$LinesLayout{'First'} = %d;\n", l.first);
    Put("$LinesLayout{'Product'} = %d;\n", l.onProducts);
    Put("$LinesLayout{'Wrap'} = %d;\n", l.wrap);
    Blank();
    Put("$FontFace = %s;\n", PerlQ(s_.fontFace));
    Put("$ActionMethod = q{POST};\n");
    Blank();
    Put("$TableBorder = %d;\n", s_.tableBorder);
    Put("$SecCurrency = %d;\n", s_.hasSecondCurrency);
    // Prices on the pages with a decimal comma and the symbol after the amount.
    Put("$UseDecComma = %d;\n", snap_.options.UseDecComma);
    Put("$DetailPage = %d;\n", s_.generateDetails);
    Put("$TopMenu = %d;\n", s_.menuTop);
    Put("$TopMenuOnSF = %d;\n", s_.menuTop && !s_.menuTopHomePage);
    Put("$BottomMenu = %d;\n", s_.menuBottom);
    Put("$IndexOnStoreFront = %d;\n", s_.indexOnStorefront);
    Put("$IsIndex = %d;\n", s_.generateIndex && s_.indexEntryCount != 0);
    Put("$ExternOnTop = %d;\n", !snap_.webServer.StandAlone);
    Put("$StoreLogo = %d;\n", s_.logoOnAllPages);
    Blank();
    Put("$CgiName{'Order'} = %s;\n", PerlQ("order" + s_.scriptExtension));
    Put("$CgiName{'Catalog'} = %s;\n", PerlQ("catalog" + s_.scriptExtension));
    Blank();
    return true;
  }

  bool WriteShipping() {
    const OptionsRow& o = snap_.options;
    Put("$Shipping = %d;\n", o.ShippingCalcType);
    Put("$Shipping_Typ = %d;\n", o.ShippingCalcType);
    Put("$Shipping_Ensurance = %d;\n", o.Insurance);
    Put("$Shipping_Ensurance_Value = %.4f;\n", o.InsuranceValue);
    Put("$Shipping_Ensurance_Limit = %.2f;\n", o.InsuranceLimit);
    Put("$Shipping_Ensurance_Replace = %d;\n", o.InsuranceReplaces);
    Put("$Shipping_Ensurance_Replace_Value = %.2f;\n", o.InsuranceReplacesValue);
    int n = 0;
    for (const ShippingRow& method : ReadRows<ShippingRow>(run_.db)) {
      std::string value;
      for (const ShipChargesRow& c : ReadRows<ShipChargesRow>(run_.db, Eq("ShippingID", method.ID)))
        value += Format(value.empty() ? "%.2f/%.2f" : ",%.2f/%.2f", c.Break, c.Charge);
      // Free shipping: every method that has charges costs nothing.
      if (o.ShippingCalcType == 5 && !value.empty()) value = "0.00/0.00";
      if (value.empty()) continue;
      Put("$aShipping{%s} = \"%s\";\n", PerlSingleQuoted(Format("%02d_%s", n++, method.Name)), value);
    }
    if (n == 0) return Stop(text::kNoShippingMethod);
    Blank();
    return true;
  }

  bool WriteDiscountAndTax() {
    const OptionsRow& o = snap_.options;
    Put("$Discount_Typ = %d;\n", o.OfferDiscounts);
    if (o.OfferDiscounts > 0)
      for (const DiscountRow& d : ReadRows<DiscountRow>(run_.db)) Put("$Discount{'%.2f'} = %.2f;\n", d.Break, d.Discount);
    Blank();
    Put("$Taxes = %d;\n", o.TaxType);
    if (o.TaxType == 1) {
      const auto areas = ReadRows<TaxesByAreaRow>(run_.db);
      for (const TaxesByAreaRow& a : areas) Put("$RegioTax{%s} = %.2f;\n", PerlSingleQuoted(a.Area), a.Rate);
      if (areas.empty()) return Stop(text::kTaxRegionMissing);
    }
    Blank();
    return true;
  }

  bool WriteOrder() {
    const OptionsRow& o = snap_.options;
    const WebServerRow& w = snap_.webServer;
    Put("$SoldMin = %.2f;\n\n", o.MinAmount > 0 ? o.MinAmount : 0.0f);
    Put("$SubmitType = %d;\n", w.MailOption);
    const std::string option = w.MailOption == 1 ? w.MailExec : w.MailOption == 2 ? w.MailHost : std::string();
    if (!IsBlank(option)) Put("$SubmitOption = %s;\n", PerlQ(option));
    Blank();
    Put("$ReqFieldPhone = %d;\n", o.ReqPhone);
    Put("$ReqFieldFax = %d;\n", o.ReqFax);
    Put("$ReqFieldEMail = %d;\n", o.ReqEmail);
    Put("$ReqFieldNr = %d;\n", o.ReqCustID);
    Put("$ReqFieldCountry = %d;\n", o.ReqCountry);
    Blank();
    return true;
  }

  bool WriteGifts() {
    const OptionsRow& o = snap_.options;
    int gifts = 0;
    if (o.OfferGiftWrap) {
      PictureFolder& wraps = run_.Pictures(ShopSubfolder::Wraps);
      for (const GiftWrapsRow& wrap : ReadRows<GiftWrapsRow>(run_.db)) {
        const auto file = FindImageFile(kImagePattern, wraps, wrap.ID);
        if (!file) continue;
        const std::string name = file->filename().string();
        std::string value;
        if (s_.textOnly) {
          run_.files.AddUnused(ShopSubfolder::Wraps, name, wraps.Stamp(name));
        } else {
          run_.files.AddPublish(ShopSubfolder::Wraps, name, wraps.Stamp(name));
          value = name + "/75/75";  // the storefront always shows wraps at this size
        }
        Put("$Gift{%s} = %s;\n", PerlSingleQuoted(wrap.Name), PerlDoubleQuoted(value));
        ++gifts;
      }
      if (gifts > 0) {
        Put("$Gift_Cost = \"%.2f\";\n", o.WrapCharge);
        Put("$Gift_Type = %d;\n", o.WrapPerItem);
      }
    }
    Put("$Gifts = %d;\n", gifts > 0);
    Blank();
    Put("$Gift_Message = %d;\n", o.OfferGiftMessage);
    if (o.OfferGiftMessage) Put("$Gift_TextCost = \"%.2f\";\n", o.MessageCharge);
    Blank();
    return true;
  }

  bool WriteOrderChannels() {
    const OptionsRow& o = snap_.options;
    const CompanyRow& c = snap_.company;
    Put("$AgbAsLink = %d;\n", blocks_.PolicyJava);
    int channels = 0;
    auto channel = [&](const char* key, int textId) {
      // A channel whose name is missing from the store texts gets no line.
      if (const auto name = StoreText(run_.db, textId)) {
        Put("$AcceptOrders{'%s'} = %s;\n", key, PerlQ(HtmlEscape(*name)));
        ++channels;
      }
    };
    for (const auto& [address, field] : CompanyEmailFields(c)) {
      if (IsBlank(*address) || IsEmailAddress(*address)) continue;
      const std::string warning = Format(texts::kInvalidEmailWarning, Trim(*address), field);
      run_.log.Log(warning);
      run_.prompter.Show(warning, MessageIcon::Warning);
    }
    if (o.ElectronicSubmit) {
      if (IsBlank(c.EmailSales)) return Stop(text::kSalesEmailMissing);
      channel("AO1", text::kOrderChannelOnline);
    }
    if (o.PrintMail) {
      if (IsBlank(c.Address1) || IsBlank(c.City) || IsBlank(c.ZIP)) return Stop(text::kPostalAddressMissing);
      channel("AO2", text::kOrderChannelPost);
    }
    if (o.PrintFax) {
      if (IsBlank(c.Fax1) && IsBlank(c.Fax2)) return Stop(text::kFaxNumberMissing);
      channel("AO3", text::kOrderChannelFax);
    }
    Blank();
    if (channels == 0) return Stop(text::kNoOrderChannel);
    return true;
  }

  bool WritePayment() {
    int payments = 0;
    Put("$OLP = %d;\n", s_.payvaneInUse);
    if (s_.payvaneInUse) {
      const std::string name(ProgramText(text::kOnlineCardPayment));
      Put("$OLP_Language = %s;\n", LanguageDigits(ReadFirstRow<LangIdRow>(run_.db).LangID.value_or(kAnyLanguageMarker)));
      Put("$Payment_OLP = %s;\n", PerlQ(name));
      Put("$Payment{%s} = \"%.2f\";\n", PerlSingleQuoted(name), s_.payvaneFee);
      Put("$OLP_Type = %d;\n", s_.payvaneType);
      Put("$OLP_Msg = %d;\n", s_.payvaneTxType == 1 ? 210 : 200);
      payments = 1;
    }
    const auto cards = ReadRows<CreditCardsRow>(run_.db);
    int number = 0;
    for (const CreditCardsRow& card : cards) Put("$CCName{'CC%d'} = %s;\n", ++number, PerlQ(card.Name));
    Blank();
    for (const PaymentsRow& p : ReadRows<PaymentsRow>(run_.db, Eq("Include", true))) {
      const std::string_view code = Trim(p.Code);
      if (EqualsNoCase(code, "DE")) {
        Put("$Payment_LS = %s;\n", PerlQ(p.Name));
      } else if (EqualsNoCase(code, "CC")) {
        if (cards.empty()) continue;  // a card payment without cards cannot be offered
        Put("$Payment_CC = %s;\n", PerlQ(p.Name));
      }
      Put("$Payment{%s} = \"%.2f\";\n", PerlSingleQuoted(p.Name), p.Price);
      ++payments;
    }
    Blank();
    if (payments == 0) return Stop(text::kNoPaymentMethod);
    out.WriteBytes("1;\n");
    return true;
  }

  RunContext& run_;
  const PreviewSettings& s_;
  const ShopSnapshot& snap_;
  TextBlocksRow blocks_;

 public:
  const TextBlocksRow& Blocks() const { return blocks_; }
};

}  // namespace

bool WriteConfigFileStep(RunContext& run) {
  run.log.LogText(text::kCreatingConfigFile);
  ConfigWriter writer(run);
  if (!CreateGeneratedFile(writer.out, run.Folder(ShopSubfolder::Data) / "config.cnf", "data/config.cnf", run.log,
                           &run.prompter))
    return false;
  if (!writer.Write()) {
    writer.out.Close();
    return false;
  }
  if (!FinishGeneratedFile(writer.out, "data/config.cnf", run.log)) return false;
  run.log.LogText(text::kConfigFileCreated);
  // Said once the file stands, so that the merchant reads it beside the other warnings.
  const TextBlocksRow& blocks = writer.Blocks();
  if (Trim(blocks.Privacy).empty()) run.log.Log(Format(texts::kLegalTextMissing, "Datenschutzerklärung"));
  if (Trim(blocks.Withdrawal).empty()) run.log.Log(Format(texts::kLegalTextMissing, "Widerrufsbelehrung"));
  run.files.AddPublish(ShopSubfolder::Data, "config.cnf");
  run.log.Step();
  return true;
}

}  // namespace vendora
