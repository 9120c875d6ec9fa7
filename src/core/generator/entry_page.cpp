#include "generator/entry_page.h"

#include <string>
#include <unordered_set>
#include <vector>

#include "generator/page_settings.h"
#include "generator/store_page.h"
#include "imaging/image_refs.h"
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
      page.Put("<INPUT TYPE=IMAGE %s NAME=\"%s%d\" ALT=\"%s\"%s>", ImageAttributes(base, ref), inputName, e.id, name,
               TapPadding(ref));
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

}  // namespace

void WriteIndexBlock(StorePage& page) {
  // The label names the chooser for screen readers.
  page.Put("<P><FONT FACE=\"%s\"><FONT COLOR=\"%s\"><H2><LABEL FOR=\"indexid\">%s</LABEL></H2></FONT>%s</FONT></P>\n",
           page.face, page.settings.graphicSet.heading, page.Text(text::kIndexTitle),
           page.Text(text::kIndexDescription));
  page.Write("<select name=\"indexid\" id=\"indexid\">");
  CRecSetIndex entries(page.run.db);
  entries.SetFilter(Ne("Name", " "));
  entries.SetSort("[Name]");
  entries.ForEach([&](const IndexRow& e) { page.Put("<OPTION VALUE=%d>%s</OPTION>", e.ID, HtmlEscape(e.Name)); });
  page.Write("</SELECT><P>&nbsp;");
  page.Put("<INPUT NAME=\"show_index\"%s>\n", page.Button(page.Pictures().find, page.Text(text::kGoToLine)));
}

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
  // The catalogue script opens each legal page from this form as from its own pages.
  page.WriteLegalFooter();
  page.WriteCreditLine();
  page.Write("</CENTER></FORM>\n");
  page.EndPage();
}

bool WriteEntryPageStep(RunContext& run) {
  const std::string& name = run.settings.server.startPage;
  return WritePageFile(run, run.paths.folder / name, name, &run.prompter, [](StorePage& page) {
    page.BeginPage();
    WriteStorefront(page);
  });
}

}  // namespace vendora
