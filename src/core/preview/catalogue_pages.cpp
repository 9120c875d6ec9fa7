#include "preview/catalogue_pages.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "generator/page_settings.h"
#include "imaging/image_refs.h"
#include "preview/store_page.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

struct ListEntry {
  int32_t id;
  std::string name, description;
};

struct ButtonLayout {
  int wrap;  // buttons per row; -1: no wrapping
  bool description, dividers, spacing;
};

// Category and line buttons: picture buttons where the record has one, a row break
// after every `wrap` buttons (divider before spacing before a plain break).
void WriteButtonRun(StorePage& page, ShopSubfolder folder, std::string_view inputName,
                    const std::vector<ListEntry>& entries, const ButtonLayout& layout) {
  PictureFolder& pictures = page.run.Pictures(folder);
  const std::string base = page.settings.BasePath(folder);
  int inRow = 0;
  for (const ListEntry& e : entries) {
    const std::string ref = page.settings.textOnly ? std::string() : FindImageRef(kButtonPattern, pictures, e.id);
    const std::string name = HtmlEscape(e.name);
    if (!ref.empty())
      page.Put("<INPUT TYPE=IMAGE %s NAME=\"%s%d\" ALT=\"%s\">", ImageAttributes(base, ref), inputName, e.id, name);
    else
      page.Put("<INPUT TYPE=SUBMIT NAME=\"%s%d\" VALUE=\"%s\">", inputName, e.id, name);
    page.Write("&nbsp;&nbsp;");
    if (layout.description && layout.wrap != 0)
      page.Put("<BR><FONT FACE=\"%s\" SIZE=\"-1\">%s</FONT>", page.face, TextToHtml(e.description));
    if (layout.wrap > 0 && ++inRow == layout.wrap) {
      inRow = 0;
      if (layout.dividers) page.WriteDivider();
      else page.Write(layout.spacing ? "<P>\n" : "<BR>\n");
    }
  }
  page.Write("\n");
}

void WriteCategoryButtons(StorePage& page) {
  const auto& shown = page.ShownCategories();
  std::vector<ListEntry> entries;
  CRecSetCategories categories(page.run.db);
  categories.SetFilter(Eq("Include", true));
  categories.SetSort("[Order]");
  categories.ForEach([&](const CategoriesRow& c) {
    if (shown.contains(c.ID)) entries.push_back({c.ID, c.Name, c.Description});
  });
  const PreviewSettings& s = page.settings;
  WriteButtonRun(page, ShopSubfolder::Cats, "categorypage_", entries,
                 {s.categoryWrap, s.categoryDescription, s.categoryDividers, s.categorySpacing});
}

void WriteLineButtons(StorePage& page) {
  // A line is shown when it holds a product the shop shows.
  const auto& products = page.ShownProducts();
  std::unordered_set<int32_t> withProducts;
  CRecSetProdLines memberships(page.run.db);
  memberships.SetSort("");
  memberships.ForEach([&](const ProdLinesRow& m) {
    if (products.contains(m.ProductID)) withProducts.insert(m.LineID);
  });
  std::vector<ListEntry> entries;
  CRecSetLines lines(page.run.db);
  lines.SetFilter(Eq("Include", true));
  lines.SetSort("[Order]");
  lines.ForEach([&](const LinesRow& l) {
    if (withProducts.contains(l.ID)) entries.push_back({l.ID, l.Name, l.Description});
  });
  const LineLayout& l = page.settings.lines;
  WriteButtonRun(page, ShopSubfolder::Lines, "linepage_", entries, {l.wrap, l.description, l.dividers, l.spacing});
}

void WriteIndexBlock(StorePage& page) {
  page.Put("<P><FONT FACE=\"%s\"><FONT COLOR=\"%s\"><H2>%s</H2></FONT>%s</FONT></P>\n", page.face,
           page.settings.graphicSet.heading, page.Text(30019), page.Text(30005));
  page.Write("<select name=\"indexid\">");
  CRecSetIndex entries(page.run.db);
  entries.SetFilter(Ne("Name", " "));
  entries.SetSort("[Name]");
  entries.ForEach([&](const IndexRow& e) { page.Put("<OPTION VALUE=%d>%s</OPTION>", e.ID, HtmlEscape(e.Name)); });
  page.Write("</SELECT><P>&nbsp;");
  const std::string& find = page.Pictures().find;
  const std::string text = AttributeText(page.Text(30023));
  if (!find.empty())
    page.Put("<INPUT TYPE=IMAGE %s NAME=\"show_index\" ALT=\"%s\">\n",
             ImageAttributes(page.settings.BasePath(ShopSubfolder::Imgs), find), text);
  else
    page.Put("<INPUT TYPE=SUBMIT NAME=\"show_index\" VALUE=\"%s\">\n", text);
}

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
             colour(), g.background, page.face, page.Text(30014), HtmlEscape(currency));
  };
  header(page.Text(30033));
  if (!kind1.empty()) header(kind1);
  if (!kind2.empty()) header(kind2);
  if (weighed) header(page.Text(30036));
  if (shipping) header(page.Text(30108));
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
    page.Put("<FONT FACE=\"%s\"><FONT SIZE=\"-2\"><I>&nbsp;%s</FONT><BR></I>", page.face, page.Text(30002));
    page.Write("<FONT SIZE=\"-1\"><SELECT>");
    for (const std::string& name : lines) page.Put("<OPTION>%s</OPTION>", name);
    page.Write("</SELECT>&nbsp;");
    const std::string& find = page.Pictures().find;
    const std::string text = AttributeText(page.Text(30023));
    if (!find.empty())
      page.Put("<INPUT TYPE=IMAGE %s ALT=\"%s\" ALIGN=TOP>", ImageAttributes(s.BasePath(ShopSubfolder::Imgs), find),
               text);
    else
      page.Put("<INPUT TYPE=SUBMIT VALUE=\"%s\">", text);
  }
  page.Write("&nbsp;</TD>");
  page.Put("<TD ALIGN=RIGHT VALIGN=TOP><INPUT%s></TD></TR></TABLE></TD></TR></TABLE>\n",
           page.Button(page.Pictures().buy, page.Text(30032)));
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

void WriteStorefront(StorePage& page) {
  const PreviewSettings& s = page.settings;
  if (s.mode == RunMode::Preview) {
    page.Write("<FORM ACTION=\"\" METHOD=POST>\n<CENTER>\n");
  } else {
    page.Put("<FORM ACTION=\"%s%s\" METHOD=POST>\n", AttributeText(s.server.scriptUrl),
             CatalogueScriptName(page.run));
    page.Write("<CENTER><INPUT TYPE=HIDDEN NAME=\"ActivPage\" VALUE=\"sf\">\n");
  }
  if (s.menuTop && !s.menuTopHomePage) {
    page.WriteMenuBar(false, false, true);
    page.WriteDivider();
  }
  page.WriteLogo(true);
  page.Put("<FONT COLOR=\"%s\" FACE=\"%s\">%s</FONT>\n", s.graphicSet.heading, page.face,
           TextToHtml(page.textBlocks.Welcome));
  page.WriteDivider();
  const bool linesFirst = s.lines.present && s.lines.first == 1;
  if (linesFirst) {
    WriteLineButtons(page);
    page.WriteDivider();
  }
  if (s.indexOnStorefront) WriteIndexBlock(page);
  else WriteCategoryButtons(page);
  if (s.lines.present && !linesFirst) {
    page.WriteDivider();
    WriteLineButtons(page);
  }
  page.WriteDivider();
  page.Put("<FONT FACE=\"%s\">%s</FONT><BR>\n", page.face, TextToHtml(page.textBlocks.Instructions));
  page.WriteFooter();
  page.WriteDivider();
  if (s.menuBottom) page.WriteMenuBar(false, false, true);
  page.WriteCreditLine();
  page.Write("</CENTER></FORM>\n");
  page.EndPage();
}

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
  const std::string more = AttributeText(page.Text(30031));
  if (!thumbnail.empty())
    page.Put("<IMG %s ALT=\"%s\">", ImageAttributes(s.BasePath(ShopSubfolder::Thumbs), thumbnail), more);
  else
    page.Put("<INPUT TYPE=SUBMIT VALUE=\"%s\">", more);
  page.Put("<TD VALIGN=TOP><FONT FACE=\"%s\"><B>%s</B></FONT></TD>", page.face, HtmlEscape(product.Name));
  if (page.run.taxType == 2)
    page.Put("<TD VALIGN=BOTTOM ALIGN=RIGHT><FONT FACE=\"%s\" SIZE=\"-1\">%s %.2f%%</FONT></TD>", page.face,
             page.Text(30001), page.TaxRate(product.TaxID));
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

bool WriteEntryPageStep(RunContext& run) {
  const std::string& name = run.settings.server.startPage;
  return WritePageFile(run, run.paths.folder / name, name, &run.prompter, [](StorePage& page) {
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
    page.BeginPage(page.Text(30019));
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
    page.BeginPage(page.Text(30018));
    page.Write("<FORM ACTION=\"\" METHOD=POST><CENTER>\n");
    if (s.menuTop) {
      page.WriteMenuBar(true, true, true);
      page.WriteDivider();
    }
    if (!s.logoRef.empty() && s.logoOnAllPages)
      page.Put("<IMG %s ALT=\"%s\"><BR>\n", ImageAttributes(s.BasePath(ShopSubfolder::Imgs), s.logoRef),
               HtmlEscape(page.company.StoreName));
    page.Put("<H2><FONT COLOR=\"%s\" FACE=\"%s\">%s</FONT></H2>\n", heading, page.face, page.Text(30018));
    page.Put("<H3><FONT COLOR=\"%s\" FACE=\"%s\">%s</FONT></H3>\n", heading, page.face, page.Text(30007));
    page.Put("<TABLE BORDER=0 WIDTH=620><TR><TD><I><FONT FACE=\"%s\">%s</FONT></I></TD></TR>\n", page.face,
             page.Text(30008));
    page.Write("<TR><TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"search_string\" VALUE=\"\" SIZE=40>&nbsp;&nbsp;");
    const std::string& search = page.Pictures().search;
    const std::string text = AttributeText(page.Text(30018));
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
