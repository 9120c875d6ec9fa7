#include "preview/catalogue_pages.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "generator/page_settings.h"
#include "imaging/image_refs.h"
#include "generator/entry_page.h"
#include "generator/store_page.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

// The first category the storefront shows, if any.
std::optional<CategoriesRow> FirstShownCategory(StorePage& page) {
  const auto& shown = page.ShownCategories();
  CRecSetCategories categories(page.run.db);
  categories.SetFilter(Eq("Include", true));
  categories.SetSort("[Order]");
  categories.Open();
  for (; !categories.IsEOF(); categories.MoveNext())
    if (shown.contains(categories->ID)) return *categories;
  return std::nullopt;
}

void BeginForm(StorePage& page) {
  page.Write("<FORM ACTION=\"\" METHOD=POST><CENTER>\n");
  if (page.settings.menuTop) {
    page.WriteMenuBar(true, true, true);
    page.WriteDivider();
  }
  page.WriteLogo(false);
}

void EndForm(StorePage& page, bool creditLine) {
  if (page.settings.menuBottom) page.WriteMenuBar(true, true, true);
  page.WriteLegalFooter();
  if (creditLine) page.WriteCreditLine();
  page.Write("</CENTER></FORM>\n");
  page.EndPage();
}

// Steps 4 to 7 of the product block: the item table and the buy row, closing the two
// tables the caller opened.
void WriteItemsAndBuyRow(StorePage& page, const ProductsRow& product) {
  const PreviewSettings& s = page.settings;
  std::vector<ItemsRow> items;
  CRecSetItems itemSet(page.run.db);
  itemSet.SetFilter(Eq("ProductID", product.ID) && Eq("Available", true));
  itemSet.SetSort("[Order]");
  itemSet.ForEach([&](const ItemsRow& i) { items.push_back(i); });
  const std::string kind1 = page.AttributeName(product.AttributeID1);
  const std::string kind2 = page.AttributeName(product.AttributeID2);
  bool weighed = false, shipping = false;
  for (const ItemsRow& i : items) {
    weighed = weighed || i.Weight != 0;
    shipping = shipping || i.Shipping != 0;
  }

  // Header cells alternate between the heading and the link colour, with text in the
  // page's background colour.
  const auto& g = s.graphicSet;
  int cell = 0;
  auto colour = [&]() -> const std::string& { return (cell++ % 2 == 0) ? g.heading : g.link; };
  page.Write("<TR><TD COLSPAN=2 VALIGN=TOP WIDTH=500><TABLE BORDER=0 WIDTH=500 ALIGN=CENTER>\n");
  page.Put("<TR><TD WIDTH=45 BGCOLOR=\"%s\">&nbsp;</TD>", colour());
  auto header = [&](const std::string& text) {
    page.Put("<TD ALIGN=CENTER BGCOLOR=\"%s\"><FONT COLOR=\"%s\" FACE=\"%s\" SIZE=\"-1\"><B>%s</B></FONT></TD>",
             colour(), g.background, page.face, text);
  };
  auto priceHeader = [&](const std::string& currency) {
    page.Put("<TD ALIGN=RIGHT BGCOLOR=\"%s\"><FONT COLOR=\"%s\" FACE=\"%s\" SIZE=\"-1\"><B>%s %s</B></FONT></TD>",
             colour(), g.background, page.face, page.Text(text::kPriceIn), HtmlEscape(currency));
  };
  header(page.Text(text::kItemColumn));
  if (!kind1.empty()) header(kind1);
  if (!kind2.empty()) header(kind2);
  if (weighed) header(page.Text(text::kWeightColumn));
  if (shipping) header(page.Text(text::kShippingColumn));
  priceHeader(s.masterCurrency);
  if (s.hasSecondCurrency) priceHeader(s.secondCurrency);
  page.Write("</TR>\n");

  for (const ItemsRow& i : items) {
    auto text = [&](const std::string& t) {
      page.Put("<TD ALIGN=CENTER VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\">%s</FONT></TD>", page.face, t);
    };
    auto number = [&](float v) {
      page.Put("<TD ALIGN=CENTER VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\">%.2f</FONT></TD>", page.face, v);
    };
    auto price = [&](float v) {
      page.Put("<TD ALIGN=RIGHT VALIGN=TOP><FONT FACE=\"%s\" SIZE=\"-1\">%.2f</FONT></TD>", page.face, v);
    };
    page.Write("<TR><TD ALIGN=CENTER VALIGN=TOP><INPUT TYPE=checkbox></TD>");
    text(HtmlEscape(i.ItemNumber));
    if (!kind1.empty()) text(page.ValueName(i.SubAttrID1));
    if (!kind2.empty()) text(page.ValueName(i.SubAttrID2));
    if (weighed) number(i.Weight);
    if (shipping) number(i.Shipping);
    price(i.MPrice);
    if (s.hasSecondCurrency) price(i.SPrice);
    page.Write("</TR>\n");
  }
  page.Write("</TABLE></TD></TR>\n");

  page.Write("<TR><TD VALIGN=BOTTOM>");
  // Lines appear on products only where the shop shows them there, as its script does.
  const std::vector<std::string>& lines = page.LinesOf(product.ID);
  if (s.lines.onProducts && !lines.empty()) {
    page.Put("<FONT FACE=\"%s\"><FONT SIZE=\"-2\"><I>&nbsp;%s</FONT><BR></I>", page.face,
             page.Text(text::kAlsoInLines));
    page.Write("<FONT SIZE=\"-1\"><SELECT>");
    for (const std::string& name : lines) page.Put("<OPTION>%s</OPTION>", name);
    page.Write("</SELECT>&nbsp;");
    const std::string& find = page.Pictures().find;
    const std::string text = AttributeText(page.Text(text::kGoToLine));
    if (!find.empty())
      page.Put("<INPUT TYPE=IMAGE %s ALT=\"%s\" ALIGN=TOP>", ImageAttributes(s.BasePath(ShopSubfolder::Imgs), find),
               text);
    else
      page.Put("<INPUT TYPE=SUBMIT VALUE=\"%s\">", text);
  }
  page.Write("&nbsp;</TD>");
  page.Put("<TD ALIGN=RIGHT VALIGN=TOP><INPUT%s></TD></TR></TABLE></TD></TR></TABLE>\n",
           page.Button(page.Pictures().buy, page.Text(text::kBuyNowButton)));
}

// The first shown category's products in [Order], each given to `f`.
template <class F>
void ForProductsOf(StorePage& page, const CategoriesRow& category, F&& f) {
  CRecSetProducts products(page.run.db);
  products.SetFilter(Eq("CategoryID", category.ID) && Eq("Available", true));
  products.SetSort("[Order]");
  products.ForEach(f);
}

}  // namespace

void WriteProductBlock(StorePage& page, const ProductsRow& product) {
  const PreviewSettings& s = page.settings;
  page.Put("<TABLE BORDER=%d WIDTH=620 BGCOLOR=\"%s\" CELLSPACING=0 ALIGN=CENTER><TR><TD>", s.tableBorder,
           s.graphicSet.background);
  page.Write("<TABLE BORDER=0><TR><TD ROWSPAN=4 VALIGN=TOP WIDTH=100 ALIGN=CENTER>");
  std::string thumbnail;
  if (!s.textOnly) {
    RunContext& run = page.run;
    const ProductImageRefs refs =
        MakeProductImageRefs(kImagePattern, run.Pictures(ShopSubfolder::Prods), run.Pictures(ShopSubfolder::Thumbs),
                             product.ID, s.useThumbnails, s.thumbnailQuality, &run.prompter);
    if (s.useThumbnails) thumbnail = refs.thumbnail;
  }
  const std::string more = AttributeText(page.Text(text::kMoreInfoButton));
  if (!thumbnail.empty())
    page.Put("<IMG %s ALT=\"%s\">", ImageAttributes(s.BasePath(ShopSubfolder::Thumbs), thumbnail), more);
  else
    page.Put("<INPUT TYPE=SUBMIT VALUE=\"%s\">", more);
  page.Put("<TD VALIGN=TOP><FONT FACE=\"%s\"><B>%s</B></FONT></TD>", page.face, HtmlEscape(product.Name));
  if (page.run.taxType == 2)
    page.Put("<TD VALIGN=BOTTOM ALIGN=RIGHT><FONT FACE=\"%s\" SIZE=\"-1\">%s %.2f%%</FONT></TD>", page.face,
             page.Text(text::kTaxRateLabel), page.TaxRate(product.TaxID));
  else
    page.Write("<TD>&nbsp;</TD>");
  page.Write("</TR>\n");
  page.Put("<TR><TD COLSPAN=2><FONT FACE=\"%s\" SIZE=\"-1\">%s</FONT></TD></TR>\n", page.face,
           HtmlEscape(product.ShortDesc));
  WriteItemsAndBuyRow(page, product);
  page.WriteDivider();
}

bool WriteStoreFrontPage(RunContext& run) {
  return WritePreviewPage(run, "StoreFront.html", [](StorePage& page) {
    page.BeginPage();
    WriteStorefront(page);
  });
}

bool WriteCategoryPage(RunContext& run) {
  return WritePreviewPage(run, "Category.html", [](StorePage& page) {
    // Titled with the category it shows.
    const std::optional<CategoriesRow> category = FirstShownCategory(page);
    page.BeginPage(category ? HtmlEscape(category->Name) : std::string());
    BeginForm(page);
    if (category) {
      const PreviewSettings& s = page.settings;
      const std::string header =
          s.textOnly ? std::string() : FindImageRef(kHeaderPattern, page.run.Pictures(ShopSubfolder::Cats), category->ID);
      const std::string name = HtmlEscape(category->Name);
      if (!header.empty())
        page.Put("<IMG %s ALT=\"%s\">\n", ImageAttributes(s.BasePath(ShopSubfolder::Cats), header), name);
      else
        page.Put("<H2><FONT FACE=\"%s\" COLOR=\"%s\">%s</FONT></H2>\n", page.face, s.graphicSet.heading, name);
      page.Put("<FONT FACE=\"%s\">%s</FONT><P>\n", page.face, TextToHtml(category->Description));
      page.WriteDivider();
      ForProductsOf(page, *category, [&](const ProductsRow& p) { WriteProductBlock(page, p); });
    }
    EndForm(page, false);
  });
}

bool WriteProductPage(RunContext& run) {
  return WritePreviewPage(run, "Product.html", [](StorePage& page) {
    page.BeginPage();
    BeginForm(page);
    std::optional<ProductsRow> product;
    if (std::optional<CategoriesRow> category = FirstShownCategory(page)) {
      const auto& shown = page.ShownProducts();
      ForProductsOf(page, *category, [&](const ProductsRow& p) {
        if (!product && shown.contains(p.ID)) product = p;
      });
    }
    if (product) {
      const PreviewSettings& s = page.settings;
      page.Put("<P><FONT FACE=\"%s\" COLOR=\"%s\"><FONT SIZE=\"+2\"><B>%s</B></FONT><BR>%s</FONT></P>\n", page.face,
               s.graphicSet.heading, HtmlEscape(product->Name), HtmlEscape(product->ShortDesc));
      page.Write("<TABLE BORDER=0 WIDTH=600 ALIGN=CENTER><TR><TD VALIGN=TOP>");
      const std::string picture =
          s.textOnly ? std::string() : FindImageRef(kImagePattern, page.run.Pictures(ShopSubfolder::Prods), product->ID);
      if (!picture.empty()) page.Put("<IMG %s ALIGN=LEFT>", ImageAttributes(s.BasePath(ShopSubfolder::Prods), picture));
      page.Put("<FONT FACE=\"%s\">%s</FONT>", page.face, TextToHtml(product->LongDesc));
      page.Write("<BR CLEAR=ALL><P></TD></TR></TABLE>\n");
      page.Put("<TABLE BORDER=%d WIDTH=620 BGCOLOR=\"%s\" CELLSPACING=0 ALIGN=CENTER><TR><TD ALIGN=CENTER>",
               s.tableBorder, s.graphicSet.background);
      page.Write("<TABLE BORDER=0>");
      WriteItemsAndBuyRow(page, *product);
      page.WriteDivider();
    }
    EndForm(page, false);
  });
}

bool WriteIndexPage(RunContext& run) {
  return WritePreviewPage(run, "IndexPage.html", [](StorePage& page) {
    page.BeginPage(page.Text(text::kIndexTitle));
    BeginForm(page);
    WriteIndexBlock(page);
    page.WriteDivider();
    EndForm(page, true);
  });
}

bool WriteSearchPage(RunContext& run) {
  return WritePreviewPage(run, "Search.html", [](StorePage& page) {
    const PreviewSettings& s = page.settings;
    const std::string& heading = s.graphicSet.heading;
    page.BeginPage(page.Text(text::kSearchTitle));
    page.Write("<FORM ACTION=\"\" METHOD=POST><CENTER>\n");
    if (s.menuTop) {
      page.WriteMenuBar(true, true, true);
      page.WriteDivider();
    }
    if (!s.logoRef.empty() && s.logoOnAllPages)
      page.Put("<IMG %s ALT=\"%s\"><BR>\n", ImageAttributes(s.BasePath(ShopSubfolder::Imgs), s.logoRef),
               HtmlEscape(page.company.StoreName));
    page.Put("<H2><FONT COLOR=\"%s\" FACE=\"%s\">%s</FONT></H2>\n", heading, page.face, page.Text(text::kSearchTitle));
    page.Put("<H3><FONT COLOR=\"%s\" FACE=\"%s\">%s</FONT></H3>\n", heading, page.face, page.Text(text::kSearchPrompt));
    page.Put("<TABLE BORDER=0 WIDTH=620><TR><TD><I><FONT FACE=\"%s\">%s</FONT></I></TD></TR>\n", page.face,
             page.Text(text::kSearchHelp));
    page.Write("<TR><TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"search_string\" VALUE=\"\" SIZE=40>&nbsp;&nbsp;");
    const std::string& search = page.Pictures().search;
    const std::string text = AttributeText(page.Text(text::kSearchTitle));
    if (!search.empty())
      page.Put("<INPUT TYPE=IMAGE %s NAME=\"show_search\" ALT=\"%s\">",
               ImageAttributes(s.BasePath(ShopSubfolder::Imgs), search), text);
    else
      page.Put("<INPUT TYPE=SUBMIT NAME=\"show_search\" VALUE=\"%s\">", text);
    page.Write("</TD></TR></TABLE>\n");
    page.WriteDivider();
    EndForm(page, true);
  });
}

}  // namespace vendora
