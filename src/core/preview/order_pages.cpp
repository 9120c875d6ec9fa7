#include "preview/order_pages.h"

#include <string>
#include <vector>

#include "common/program_text.h"
#include "common/text_util.h"
#include "generator/page_settings.h"
#include "imaging/image_refs.h"
#include "generator/store_page.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

constexpr int kCartSampleRows = 3;
constexpr std::string_view kFormStart = "<FORM ACTION=\"\" METHOD=POST><CENTER>";

// A money cell of the cart: the master amount, below it the second currency's.
void WriteCartAmount(StorePage& page, std::string_view cell, float master, float second) {
  const PreviewSettings& s = page.settings;
  page.Put(cell, page.face, HtmlEscape(s.masterCurrency), master);
  if (s.hasSecondCurrency)
    page.Put("<BR><FONT COLOR=\"%s\">%s %.2f</FONT>", s.graphicSet.heading, HtmlEscape(s.secondCurrency), second);
  page.Write("</FONT></TD>");
}

struct CustomerField {
  const char* billing;
  const char* billingSecond;  // the pair's second field, or null
  const char* delivery;       // null: billing only
  const char* deliverySecond;
  int label, secondLabel;  // secondLabel 0: a single label
  enum Marker { None, Always, Nr, Country, Phone, Fax, EMail } marker;
};

constexpr CustomerField kCustomerFields[] = {
    {"b_nr", nullptr, nullptr, nullptr, text::kCustomerNumberField, 0, CustomerField::Nr},
    {"b_company", nullptr, nullptr, nullptr, text::kCompanyField, 0, CustomerField::None},
    {"b_firstname", nullptr, "s_firstname", nullptr, text::kFirstNameField, 0, CustomerField::Always},
    {"b_name", nullptr, "s_name", nullptr, text::kLastNameField, 0, CustomerField::Always},
    {"b_street", nullptr, "s_street", nullptr, text::kStreetField, 0, CustomerField::Always},
    {"b_zip", "b_city", "s_zip", "s_city", text::kZipField, text::kCityField, CustomerField::Always},
    // "Staat" then "Land": the preview names state and country the other way round
    // from the shop's own labels, as merchants know the page.
    {"b_state", "b_country", "s_state", "s_country", text::kCountryField, text::kStateField, CustomerField::Country},
    {"b_phone", nullptr, "s_phone", nullptr, text::kPhoneField, 0, CustomerField::Phone},
    {"b_fax", nullptr, "s_fax", nullptr, text::kFaxField, 0, CustomerField::Fax},
    {"b_email", nullptr, "s_email", nullptr, text::kEmailField, 0, CustomerField::EMail},
};

bool Required(const OptionsRow& o, CustomerField::Marker marker) {
  switch (marker) {
    case CustomerField::Always: return true;
    case CustomerField::Nr: return o.ReqCustID;
    case CustomerField::Country: return o.ReqCountry;
    case CustomerField::Phone: return o.ReqPhone;
    case CustomerField::Fax: return o.ReqFax;
    case CustomerField::EMail: return o.ReqEmail;
    case CustomerField::None: break;
  }
  return false;
}

void WriteCustomerBlock(StorePage& page, bool billing) {
  const OptionsRow& options = page.run.snapshot.options;
  page.Put("<TR><TD COLSPAN=2><FONT FACE=\"%s\"><b>%s</B><BR><FONT SIZE=\"-1\"><I>%s</I></FONT></FONT></TD></TR>\n",
           page.face, page.Text(billing ? text::kBillingAddressHeading : text::kShippingAddressHeading),
           page.Text(billing ? text::kRequiredFieldsNote : text::kShippingAddressNote));
  for (const CustomerField& f : kCustomerFields) {
    const char* first = billing ? f.billing : f.delivery;
    const char* second = billing ? f.billingSecond : f.deliverySecond;
    if (!first) continue;
    const std::string label =
        f.secondLabel ? Format("%s, %s", page.Text(f.label), page.Text(f.secondLabel)) : page.Text(f.label);
    const std::string inputs =
        second ? Format("<INPUT TYPE=TEXT NAME=\"%s\" SIZE=8> <INPUT TYPE=TEXT NAME=\"%s\" SIZE=29>", first, second)
               : Format("<INPUT TYPE=TEXT NAME=\"%s\" SIZE=40>", first);
    // Delivery data are never required.
    const char* marker = billing && Required(options, f.marker) ? "*" : "";
    page.Put("<TR><TD><FONT FACE=\"%s\" SIZE=\"-1\"><B>%s</B></FONT>%s</TD><TD>%s</TD></TR>\n", page.face, label,
             marker, inputs);
  }
}

void WriteNextAndBack(StorePage& page, std::string_view tail) {
  page.Write("<TABLE BORDER=0 CELLPADING=5 ALIGN=CENTER><TR>");
  page.Put("<TD VALIGN=TOP><INPUT TYPE=SUBMIT NAME=\"show_next\" VALUE=\"%s\"></FORM></TD>",
           AttributeText(page.Text(text::kNextStepButton)));
  page.Put("<TD VALIGN=TOP><FORM ACTION=\"\" METHOD=POST><INPUT TYPE=SUBMIT NAME=\"show_back\" VALUE=\"%s\"></FORM></TD>",
           AttributeText(page.Text(text::kCancelOrderButton)));
  page.Write(tail);
  page.WriteCreditLine();
}

// The detail rows under a payment method: label and input per row.
void WritePaymentDetails(StorePage& page, const std::vector<std::pair<int, std::string>>& rows) {
  page.Write("<TR><TD WIDTH=40>&nbsp;</TD><TD><TABLE BORDER=0>");
  for (const auto& [label, input] : rows)
    page.Put("<TR><TD VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\">%s:</FONT></TD><TD>%s</TD></TR>", page.face,
             page.Text(label), input);
  page.Write("</TABLE></TD></TR>\n");
}

std::string TextInput(const char* name) { return Format("<INPUT TYPE=TEXT NAME=\"%s\" SIZE=30>", name); }

void WriteCardDetails(StorePage& page, const std::string& organisations) {
  WritePaymentDetails(
      page, {{text::kCardOrganisationField, "<SELECT NAME=\"payment_cardorganisation\">" + organisations + "</SELECT>"},
             {text::kCardHolderField, TextInput("payment_cardname")},
             {text::kCardNumberField, TextInput("payment_cardnumber")},
             {text::kCardExpiryField, "<INPUT TYPE=TEXT NAME=\"payment_cardexpire1\" SIZE=2 MAXLENGTH=2> / "
                     "<INPUT TYPE=TEXT NAME=\"payment_cardexpire2\" SIZE=2 MAXLENGTH=2>"}});
}

void WritePaymentMethod(StorePage& page, const std::string& name, float charge) {
  page.Write("<TR><TD COLSPAN=2 VALIGN=TOP>");
  page.Put("<INPUT TYPE=RADIO NAME=\"payment_typ\" VALUE=\"%s\">&nbsp;", HtmlEscape(name));
  page.Put("<FONT FACE=\"%s\" SIZE=\"-1\"><B>%s&nbsp;(%s&nbsp;%.2f)</B></FONT></TD></TR>\n", page.face,
           HtmlEscape(name), HtmlEscape(page.settings.masterCurrency), charge);
}

// The methods the shop offers, as its configuration lists them: the card service
// first when in use, then the included methods; card payment only with cards to choose.
void WritePaymentMethods(StorePage& page) {
  std::string cards;
  int number = 0;
  CRecSetCreditCards cardSet(page.run.db);
  cardSet.ForEach(
      [&](const CreditCardsRow& c) { cards += Format("<OPTION VALUE=CC%d>%s</OPTION>", ++number, HtmlEscape(c.Name)); });
  if (page.settings.payvaneInUse) {
    WritePaymentMethod(page, std::string(ProgramText(text::kOnlineCardPayment)), page.settings.payvaneFee);
    WriteCardDetails(page,
                     "<OPTION VALUE=MC>Eurocard / Mastercard</OPTION><OPTION VALUE=VS>Visa</OPTION><OPTION "
                     "VALUE=AE>American Express</OPTION><OPTION VALUE=DC>Diners Club</OPTION>");
  }
  CRecSetPayments payments(page.run.db);
  payments.SetFilter(Eq("Include", true));
  payments.SetSort("[Order]");
  payments.ForEach([&](const PaymentsRow& p) {
    const bool card = EqualsNoCase(p.Code, "CC"), debit = EqualsNoCase(p.Code, "DE");
    if (card && number == 0) return;
    WritePaymentMethod(page, p.Name, p.Price);
    if (card) WriteCardDetails(page, cards);
    if (debit)
      WritePaymentDetails(page, {{text::kBankNameField, TextInput("payment_bankname")},
                                 {text::kBankCodeField, TextInput("payment_banknumber")},
                                 {text::kAccountNumberField, TextInput("payment_accountnumber")},
                                 {text::kAccountHolderField, TextInput("payment_accountuser")}});
  });
}

}  // namespace

bool WriteShopCartPage(RunContext& run) {
  return WritePreviewPage(run, "ShopCart.html", [](StorePage& page) {
    const PreviewSettings& s = page.settings;
    page.BeginPage(page.Text(text::kCartTitle));
    page.Put("%s\n", kFormStart);
    if (s.menuTop) {
      page.WriteMenuBar(true, true, false);
      page.WriteDivider();
    }
    page.WriteLogo(false);
    page.Put("<H2><FONT FACE=\"%s\" COLOR=\"%s\">%s</FONT></H2>\n", page.face, s.graphicSet.heading,
             page.Text(text::kCartTitle));
    page.Put("<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><TD ALIGN=CENTER><I><FONT FACE=\"%s\" size=\"-1\">%s</FONT>"
             "</I></TD></TR></TABLE>\n",
             page.face, page.Text(text::kCartDescription));
    page.WriteDivider();
    page.Write("<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=0 WIDTH=580 ALIGN=CENTER><TR><TD ALIGN=CENTER>");
    page.Write("<TABLE WIDTH=578 BORDER=0 CELLSPACING=0 CELLPADDING=4><TR>");
    for (int id : {text::kQuantityColumn, text::kItemColumn})
      page.Put("<TD><FONT FACE=\"%s\" SIZE=\"-1\"><B>%s</B></FONT></TD>", page.face, page.Text(id));
    for (int id : {text::kUnitPriceColumn, text::kSubtotalColumn})
      page.Put("<TD ALIGN=RIGHT><FONT FACE=\"%s\" SIZE=\"-1\"><B>%s</B></FONT></TD>", page.face, page.Text(id));
    page.Write("</TR>\n");

    // Sample rows: the first available items, row n with the quantity n.
    std::vector<ItemsRow> items;
    CRecSetItems itemSet(page.run.db);
    itemSet.SetFilter(Eq("Available", true));
    itemSet.SetSort("[ID]");
    itemSet.Open();
    for (; !itemSet.IsEOF() && items.size() < kCartSampleRows; itemSet.MoveNext()) items.push_back(*itemSet);
    constexpr std::string_view amountCell = "<TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\">%s %.2f";
    double sum = 0, secondSum = 0;
    int quantity = 0;
    for (const ItemsRow& item : items) {
      ++quantity;
      const std::string second = page.ValueName(item.SubAttrID2);
      page.Put("<TR><TD VALIGN=TOP><INPUT TYPE=TEXT SIZE=3 VALUE=%d></TD>", quantity);
      page.Put("<TD VALIGN=TOP><FONT FACE=\"%s\" size=\"-1\">%s<br>%s&nbsp;&nbsp;%s%s%s</FONT></TD>", page.face,
               page.ProductName(item.ProductID), HtmlEscape(item.ItemNumber), page.ValueName(item.SubAttrID1),
               second.empty() ? "" : "/", second);
      WriteCartAmount(page, amountCell, item.MPrice, item.SPrice);
      const float total = item.MPrice * static_cast<float>(quantity);
      const float secondTotal = item.SPrice * static_cast<float>(quantity);
      WriteCartAmount(page, amountCell, total, secondTotal);
      page.Write("</TR>\n");
      sum += total;
      secondSum += secondTotal;
    }
    page.Put("<TR><TD COLSPAN=3 ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\"><B>%s</B></FONT></TD>", page.face,
             page.Text(text::kCartTotal));
    WriteCartAmount(page, "<TD ALIGN=RIGHT><FONT FACE=\"%s\" SIZE=\"-1\"><b>%s %.2f</b>", static_cast<float>(sum),
                    static_cast<float>(secondSum));
    page.Write("</TR></TABLE></TD></TR></TABLE><BR>\n");

    page.Write("<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR>");
    page.Put("<TD VALIGN=TOP ALIGN=LEFT><INPUT TYPE=SUBMIT NAME=\"show_back\" VALUE=\"%s\"></td>",
             AttributeText(page.Text(text::kContinueShopping)));
    page.Put("<TD VALIGN=TOP ALIGN=CENTER><INPUT TYPE=SUBMIT NAME=\"show_recalc\" VALUE=\"%s\"></td></FORM></TD>",
             AttributeText(page.Text(text::kRecalculate)));
    page.Put("<TD VALIGN=TOP ALIGN=RIGHT><FORM ACTION=\"\" METHOD=POST><INPUT TYPE=SUBMIT NAME=\"show_wk\" "
             "VALUE=\"%s\"></td>",
             AttributeText(page.Text(text::kOrderNow)));
    page.Write("</TR></TABLE></FORM><FORM ACTION=\"\" METHOD=POST>\n");
    page.WriteDivider();
    page.Write("<TABLE BORDER=0 WIDTH=620 ALIGN=CENTER><TR><td>\n");
    page.WriteFooter();
    page.Write("</TD></TR></TABLE>\n");
    if (items.empty())
      page.Put("<FONT FACE=\"%s\"><B>%s</B></FONT></I></TD></TR></TABLE>\n", page.face, page.Text(text::kCartEmpty));
    page.WriteDivider();
    if (s.menuBottom) page.WriteMenuBar(true, true, true);
    page.WriteLegalFooter();
    page.WriteCreditLine();
    page.Write("</CENTER></FORM>\n");
    page.EndPage();
  });
}

bool WriteOrder1Page(RunContext& run) {
  return WritePreviewPage(run, "Order1.html", [](StorePage& page) {
    page.BeginPage();
    page.Put("%s<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"%s\">", kFormStart, page.face);
    page.Put("<FONT COLOR=\"%s\"><H3>%s</H3></FONT><FONT SIZE=\"-1\">%s</FONT></FONT></TD></TR></TABLE>\n",
             page.settings.graphicSet.heading, page.Text(text::kOrderTitle), page.Text(text::kOrderIntro));
    page.WriteDivider();
    page.Write("<TABLE WIDTH=620 BORDER=0 ALIGN=CENTER><TR><TD><TABLE BORDER=0>\n");
    WriteCustomerBlock(page, true);
    page.Write("</TABLE>\n");
    page.WriteDivider();
    page.Write("<TABLE BORDER=0>\n");
    WriteCustomerBlock(page, false);
    page.Write("</TABLE>\n");
    page.WriteDivider();
    WriteNextAndBack(page, "</TR></TABLE></TD></TR></TABLE>\n");
    page.Write("</CENTER>\n");
    page.EndPage();
  });
}

bool WriteOrder2Page(RunContext& run) {
  return WritePreviewPage(run, "Order2.html", [](StorePage& page) {
    const PreviewSettings& s = page.settings;
    const OptionsRow& options = page.run.snapshot.options;
    page.BeginPage();
    page.Put("%s<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"%s\">", kFormStart, page.face);
    page.Put("<FONT COLOR=\"%s\"><H3>%s</H3></FONT><FONT SIZE=\"-1\">%s</FONT></FONT><BR>", s.graphicSet.heading,
             page.Text(text::kTransmissionTitle), page.Text(text::kChooseTransmission));
    page.Write("<SELECT NAME=\"send_via\">");
    const struct {
      bool accepted;
      const char* value;
      int text;
    } channels[] = {{options.ElectronicSubmit, "AO1", text::kOrderChannelOnline},
                    {options.PrintMail, "AO2", text::kOrderChannelPost},
                    {options.PrintFax, "AO3", text::kOrderChannelFax}};
    for (const auto& c : channels)
      if (c.accepted) page.Put("<OPTION VALUE=\"%s\">%s</OPTION>", c.value, page.Text(c.text));
    page.Write("</SELECT></TD></TR></TABLE>\n");
    page.WriteDivider();
    page.Put("<FONT FACE=\"%s\" COLOR=\"%s\"><H3>%s</H3></FONT>\n", page.face, s.graphicSet.heading,
             page.Text(text::kPaymentTitle));
    page.Write("<P><TABLE BORDER=0 CELLPADING=4 ALIGN=CENTER>\n");
    WritePaymentMethods(page);
    page.Write("</TABLE>\n");
    page.WriteDivider();
    WriteNextAndBack(page, "</TR></TABLE>\n");
    page.Write("</CENTER></FORM>\n");
    page.EndPage();
  });
}

bool WriteGiftWrapPage(RunContext& run) {
  return WritePreviewPage(run, "GiftWrap.html", [](StorePage& page) {
    const PreviewSettings& s = page.settings;
    const OptionsRow& options = page.run.snapshot.options;
    const std::string currency = HtmlEscape(s.masterCurrency);
    page.BeginPage(page.Text(text::kGiftServiceTitle));
    page.Put("%s<TABLE WIDTH=620 BORDER=0><TR><TD ALIGN=CENTER><FONT FACE=\"%s\"><FONT COLOR=\"%s\">", kFormStart,
             page.face, s.graphicSet.heading);
    page.Put("<H3>%s</H3></FONT><P><FONT SIZE=\"-1\">", page.Text(text::kGiftServiceTitle));
    page.Put("%s %s %.2f&nbsp;%s", page.Text(text::kGiftServiceCost), currency, options.WrapCharge,
             page.Text(options.WrapPerItem ? text::kGiftWrapPerItem : text::kGiftWrapPerOrder));
    page.Put("<BR>%s %s %.2f", page.Text(text::kGiftMessageCost), currency, options.MessageCharge);
    page.Write("</FONT></FONT></TD></TR></TABLE>\n");
    page.WriteDivider();

    page.Put("<TABLE WIDTH=620 BORDER=0><TR><TD><FONT FACE=\"%s\" COLOR=\"%s\">", page.face, s.graphicSet.heading);
    page.Put("<H3 ALIGN=CENTER>%s</H3></FONT></TD></TR><TR><TD><TABLE ALIGN=CENTER BORDER=0 CELLPADDING=4><TR>",
             page.Text(text::kChooseGiftWrap));
    page.Put("<TD VALIGN=TOP>&nbsp;</TD><TD VALIGN=TOP><INPUT TYPE=RADIO><FONT FACE=\"%s\">&nbsp;%s</FONT></TD>",
             page.face, page.Text(text::kNoGiftWrap));
    // Two choices per row, the "none" choice counting as the first.
    int choices = 1;
    PictureFolder& wraps = page.run.Pictures(ShopSubfolder::Wraps);
    CRecSetGiftWraps wrapSet(page.run.db);
    wrapSet.ForEach([&](const GiftWrapsRow& w) {
      const std::string ref = FindImageRef(kImagePattern, wraps, w.ID);
      if (ref.empty()) return;
      page.Write("<TD VALIGN=TOP>");
      // Every wrap picture is shown 75 x 75 pixels.
      const std::string file = ref.substr(0, ref.find('/'));
      if (s.textOnly) page.Write("&nbsp;</TD>");
      else page.Put("<IMG %s></TD>", ImageAttributes(s.BasePath(ShopSubfolder::Wraps), file + "/75/75"));
      page.Put("<TD VALIGN=TOP><INPUT TYPE=RADIO>&nbsp;<FONT FACE=\"%s\">&nbsp;%s</FONT></TD>", page.face,
               HtmlEscape(w.Name));
      if (++choices % 2 == 0) page.Write("</TR>\n<TR>");
    });
    page.Write("</TR></TABLE>\n");
    page.WriteDivider();
    page.Put("<P><CENTER><B><FONT FACE=\"%s\">%s</FONT></B><BR>", page.face, page.Text(text::kGiftMessageField));
    page.Write("<TEXTAREA ROWS=7 COLS=40></TEXTAREA></CENTER></P>\n");
    page.WriteDivider();
    page.Put("<TABLE ALIGN=CENTER><tr><td><INPUT TYPE=SUBMIT VALUE=\"%s\">&nbsp;",
             AttributeText(page.Text(text::kPreviousStepButton)));
    page.Put("<INPUT TYPE=SUBMIT VALUE=\"%s\"></FORM></TD>", AttributeText(page.Text(text::kNextStepButton)));
    page.Put("<TD VALIGN=TOP><FORM ACTION=\"\" METHOD=POST><INPUT TYPE=SUBMIT VALUE=\"%s\"></TD>",
             AttributeText(page.Text(text::kCancelOrderButton)));
    page.Write("</TR></TABLE></TD></TR></TABLE>\n");
    page.WriteCreditLine();
    page.Write("</FORM></CENTER>\n");
    page.EndPage();
  });
}

bool WritePolicyPage(RunContext& run) {
  return WritePreviewPage(run, "Policy.html", [](StorePage& page) {
    const CompanyRow& c = page.company;
    page.WriteHtmlHead();
    page.WriteMetaTags();
    page.WriteTitle(page.Text(text::kTermsTitle));
    page.Write("</HEAD>\n");
    page.WriteBodyTag();
    page.Put("<CENTER><TABLE BORDER=0><TR><TD><CENTER><TABLE BORDER=0 ALIGN=CENTER><TR><TD><FONT FACE=\"%s\">\n",
             page.face);
    page.Put("%s<p><hr>\n", TextToHtml(page.textBlocks.Policy));
    page.Put("%s<BR>%s<BR>%s&nbsp;%s<BR>%s", HtmlEscape(c.Address1), HtmlEscape(c.Address2), HtmlEscape(c.ZIP),
             HtmlEscape(c.City), HtmlEscape(c.Country));
    page.Write("<P><BR></FONT></TD></TR></TABLE>\n");
    page.WriteCreditLine();
    page.Write("</CENTER></TABLE></CENTER>\n");
    page.EndPage();
  });
}

}  // namespace vendora
