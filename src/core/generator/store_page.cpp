#include "generator/store_page.h"

#include <array>
#include <initializer_list>

#include "app/program_identity.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/catalogue_files.h"
#include "generator/graphic_sets.h"
#include "generator/page_settings.h"
#include "generator/run_context.h"
#include "imaging/image_refs.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

// The credit line under every page: the generating program with its own address.
std::string CreditLine() { return Format("Erstellt mit <A HREF=\"%s\" TARGET=\"_top\">%s</A>", kMakerUrl, kProductName); }

bool IsUrlSafe(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-._~!$'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos;
}

// A picture's file name inside a URL: a blank, "#" or a quote would end or change it.
std::string UrlPath(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUrlSafe(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool IsNumber(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Inside a JavaScript string in a SCRIPT element: nothing may end the string or the element.
std::string ScriptString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    if (c == '<') {
      out += "\\x3C";
      continue;
    }
    if (static_cast<unsigned char>(c) < 32) continue;
    out += c;
  }
  return out;
}

// A colour as the Perl pages read one: "#RRGGBB" or "#RGB", the "#" optional.
std::optional<int32_t> PageColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 3 && text.size() != 6) return std::nullopt;
  int v[6];
  for (size_t i = 0; i < 6; ++i) {
    const char c = text.size() == 3 ? text[i / 2] : text[i];
    if (c >= '0' && c <= '9') v[i] = c - '0';
    else if (c >= 'a' && c <= 'f') v[i] = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v[i] = c - 'A' + 10;
    else return std::nullopt;
  }
  return RgbColour(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

// The first candidate readable on `background` (4.5 : 1), else black or white,
// whichever reads better; a background that is no colour counts as white.
std::string ReadableColour(std::string_view background, std::initializer_list<std::string_view> candidates) {
  const int32_t bg = PageColour(background).value_or(RgbColour(255, 255, 255));
  for (std::string_view candidate : candidates)
    if (const auto c = PageColour(candidate); c && ContrastRatio(*c, bg) >= 4.5) return std::string(candidate);
  return ContrastRatio(RgbColour(0, 0, 0), bg) >= ContrastRatio(RgbColour(255, 255, 255), bg) ? "#000000" : "#FFFFFF";
}

// The pages a German shop links on every page: the catalogue script's button for each.
struct LegalPage {
  std::string_view button, text;
};
constexpr LegalPage kLegalPages[] = {{"show_imprint", "Impressum"},
                                     {"show_privacy", "Datenschutz"},
                                     {"show_agb", "AGB"},
                                     {"show_withdrawal", "Widerrufsbelehrung"},
                                     {"show_shipping", "Versandkosten"}};

}  // namespace

std::string StyleSheet(const PreviewSettings& settings) {
  const auto& g = settings.graphicSet;
  const std::string bg = PageColour(g.background) ? g.background : "#FFFFFF";
  const std::string link = ReadableColour(bg, {g.link, g.text});
  const std::string alert = ReadableColour(bg, {"#CC0000", "#A00000", g.heading});
  const std::string head = ReadableColour(bg, {g.heading, g.text});
  // Whatever else a face holds could end the rule or the element.
  std::string face;
  for (char c : settings.fontFace)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ' ' ||
        c == ',' || c == '-')
      face += c;
  const std::string cells =
      "table:not(.keep), table:not(.keep) > tbody, table:not(.keep) > tbody > tr, table:not(.keep) > tbody > tr > td";
  const std::string items = "table.items > tbody > tr";
  std::string css = "<STYLE TYPE=\"text/css\"><!--\n";
  css += ".vh { position:absolute; width:1px; height:1px; overflow:hidden; clip:rect(0 0 0 0); white-space:nowrap; }\n";
  css += "label.tick { display:inline-flex; align-items:center; justify-content:center; min-width:44px; "
         "min-height:44px; cursor:pointer; text-align:left; }\n";
  css += "label.tick input { flex:none; width:22px; height:22px; margin:0 4px; }\n";
  css += "input[type=submit], input[type=reset], button { min-height:44px; min-width:44px; }\n";
  css += "input.link { background:none; border:0; padding:0 6px; color:" + link +
         "; text-decoration:underline; cursor:pointer; font:inherit; vertical-align:middle; }\n";
  if (!face.empty()) css += ".legal, .note, .err, .legal-text, table.items, label.tick { font-family:" + face + "; }\n";
  css += ".legal { margin:8px 0; }\n";
  css += ".legal a, .legal input.link, .foot a { display:inline-flex; align-items:center; justify-content:center; "
         "min-height:44px; min-width:44px; padding:0 6px; box-sizing:border-box; }\n";
  css += ".note { font-size:smaller; }\n";
  css += ".err { display:block; color:" + alert + "; font-weight:bold; font-size:smaller; }\n";
  css += "[aria-invalid=true] { border:2px solid " + alert + "; }\n";
  css += ":focus-visible { outline:3px solid " + link + "; outline-offset:2px; }\n";
  css += ".legal-text { text-align:left; }\n";
  css += "@media (max-width: 599px) {\n";
  css += " body { margin:8px; }\n";
  css += " " + cells + " { display:block; width:auto !important; box-sizing:border-box; }\n";
  css += " table.keep { width:100% !important; }\n";
  css += " table.keep td { word-wrap:break-word; }\n";
  css += " td[width] { width:auto !important; }\n";
  css += " img, input[type=image] { max-width:100%; height:auto; box-sizing:content-box; }\n";
  css += " img[align] { float:none; display:block; margin:0 auto 8px; }\n";
  css += " hr { width:100% !important; }\n";
  css += " table.nav > tbody > tr > td { display:inline-block; }\n";
  css += " table.items { margin:4px 0; }\n";
  css += " " + items + ".ihead { display:none; }\n";
  css += " " + items + ".item { display:flex; flex-direction:column; margin:0 0 8px; padding:4px 10px; border:1px solid " +
         link + "; border-radius:6px; background:" + bg + "; }\n";
  css += " " + items + ".item > td { display:flex; justify-content:space-between; align-items:center; gap:12px; "
         "padding:3px 0; text-align:right; }\n";
  css += " " + items + ".item > td::before { content:attr(data-label); font-weight:bold; text-align:left; color:" + head +
         "; }\n";
  css += " " + items + ".item > td.pick { order:9; justify-content:flex-start; }\n";
  css += " " + items + ".item > td.pick::before { content:none; }\n";
  css += " td.pick .vh { position:static; width:auto; height:auto; overflow:visible; clip:auto; white-space:normal; }\n";
  css += " input[type=text], input[type=email], input[type=tel], select, textarea { max-width:100%; "
         "box-sizing:border-box; font-size:16px; min-height:44px; }\n";
  css += " table.fields input[type=text], table.fields input[type=email], table.fields input[type=tel], "
         "table.fields select, textarea { width:100%; }\n";
  css += " table.fields input.zip { width:8em; }\n";
  css += "}\n--></STYLE>\n";
  return css;
}

std::string TapPadding(std::string_view imageRef) {
  const size_t first = imageRef.find('/');
  if (first == std::string_view::npos) return {};
  std::string_view width = imageRef.substr(first + 1), height;
  if (const size_t second = width.find('/'); second != std::string_view::npos) {
    height = width.substr(second + 1);
    width = width.substr(0, second);
  }
  // Half the missing room on each side, rounded up; the picture stays as drawn.
  auto pad = [](std::string_view side) {
    if (!IsNumber(side) || side.size() > 9) return 0;
    const int v = std::stoi(std::string(side));
    return v < 44 ? (44 - v + 1) / 2 : 0;
  };
  const int x = pad(width), y = pad(height);
  if (x == 0 && y == 0) return {};
  return Format(" STYLE=\"padding:%dpx %dpx\"", y, x);
}

std::string ImageAttributes(std::string_view basePath, std::string_view imageRef) {
  const size_t first = imageRef.find('/');
  if (first == std::string_view::npos) return {};
  const std::string_view file = imageRef.substr(0, first);
  std::string_view width = imageRef.substr(first + 1), height;
  if (const size_t second = width.find('/'); second != std::string_view::npos) {
    height = width.substr(second + 1);
    width = width.substr(0, second);
  }
  std::string out = Format("SRC=\"%s/%s\"", basePath, UrlPath(file));
  // Sizes come from our own references; anything else is left out rather than pasted.
  if (IsNumber(width)) out += Format(" WIDTH=%s", width);
  if (IsNumber(height)) out += Format(" HEIGHT=%s", height);
  return out + " BORDER=0";
}

std::string HttpDate(std::time_t time) {
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm t{};
  gmtime_r(&time, &t);
  return Format("%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[static_cast<size_t>(t.tm_wday) % 7], t.tm_mday,
                kMonths[static_cast<size_t>(t.tm_mon) % 12], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string GeneratorText() {
  const std::optional<ProgramIdentity> id = CompiledProgramIdentity();
  const int version = id ? id->versionNumber : 0;
  return Format("%s %d.%02d", kProductName, version / 100, version % 100);
}

std::string AttributeText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

std::string CatalogueScriptName(const RunContext& run) { return "catalog" + run.scriptExtension; }

StorePage::StorePage(RunContext& r)
    : run(r), settings(r.settings), company(r.snapshot.company), face(HtmlEscape(r.settings.fontFace)) {
  try {
    CRecSetTextblocks blocks(run.db);
    blocks.Open();
    if (!blocks.IsEOF()) textBlocks = *blocks;
  } catch (const DbError&) {
  }
  try {
    CRecSetLanguage language(run.db);
    language.ForEach([&](const LanguageRow& row) { texts_[row.ID] = TextToHtml(row.Text); });
  } catch (const DbError&) {
  }
  if (!settings.textOnly) {
    const fs::path imgs = run.Folder(ShopSubfolder::Imgs);
    const auto& g = settings.graphicSet;
    auto ref = [&](const std::string& name) { return name.empty() ? std::string() : FindNamedImageRef(imgs, name); };
    pictures_ = {ref(g.home),  ref(g.front),   ref(g.back), ref(g.cart), ref(g.order), ref(g.search),
                 ref(g.index), ref(g.divider), ref(g.buy),  ref(g.find), {}};
    std::error_code ec;
    if (!g.backgroundPicture.empty() && fs::is_regular_file(imgs / g.backgroundPicture, ec))
      pictures_.background = g.backgroundPicture;
  }
}

bool StorePage::Open(const fs::path& file, std::string_view displayName, Prompter* prompter) {
  displayName_ = std::string(displayName);
  return CreateGeneratedFile(out_, file, displayName, run.log, prompter);
}

bool StorePage::Finish() {
  const bool ok = FinishGeneratedFile(out_, displayName_, run.log);
  run.log.Step();
  return ok;
}

const std::string& StorePage::Text(int id) const {
  static const std::string none;
  auto it = texts_.find(id);
  return it == texts_.end() ? none : it->second;
}

void StorePage::WriteHtmlHead() {
  Put("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"><HTML LANG=\"de\"><HEAD><META NAME=\"Generator\" "
      "CONTENT=\"%s\"><META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=iso-8859-1\">\n",
      GeneratorText());
  Write("<META NAME=\"viewport\" CONTENT=\"width=device-width, initial-scale=1\">\n");
  Write(StyleSheet(settings));
}

void StorePage::WriteMetaTags() {
  Put("<META NAME=\"Date\" CONTENT=\"%s\">\n", HttpDate(run.clock.Now()));
  if (const std::string keywords = HtmlEscape(company.Keywords); !keywords.empty())
    Put("<META NAME=\"Keywords\" CONTENT=\"%s\">\n", keywords);
  if (const std::string description = HtmlEscape(company.Description); !description.empty())
    Put("<META NAME=\"Description\" CONTENT=\"%s\">\n", description);
  Put("<META NAME=\"Version Info\" CONTENT=\"%s\">\n", HtmlEscape(settings.versionInfo));
}

void StorePage::WriteTitle(std::string_view pageText) {
  std::string title = "<TITLE>" + HtmlEscape(company.StoreName);
  if (!pageText.empty()) title += " - " + std::string(pageText);
  Write(title + "</TITLE>\n");
}

void StorePage::WritePolicyScript() {
  const std::string address =
      settings.mode == RunMode::Preview
          ? std::string("'Policy.html',")
          : Format("'%s%s?show_window_agb.x=0',", ScriptString(settings.server.scriptUrl),
                   ScriptString(CatalogueScriptName(run)));
  // LF line ends like every generated file; the line break keeps the function out of the comment.
  Write("<SCRIPT TYPE=\"text/javascript\" LANGUAGE=\"javascript\"><!--\nfunction Tolm_AGB() { window.open(" +
        address + "'Tolm_Window','width=400,height=400,resizable=yes,scrollbars=yes'); }\n// --></SCRIPT>\n");
}

void StorePage::WriteBodyTag() {
  std::string tag = "<BODY ";
  if (!pictures_.background.empty())
    tag += Format("BACKGROUND=\"%s/%s\" ", settings.BasePath(ShopSubfolder::Imgs), UrlPath(pictures_.background));
  const auto& g = settings.graphicSet;
  tag += Format("BGCOLOR=\"%s\" TEXT=\"%s\" LINK=\"%s\" ALINK=\"%s\" VLINK=\"%s\">\n", g.background, g.text, g.link,
                g.activeLink, g.visitedLink);
  Write(tag);
}

void StorePage::BeginPage(std::string_view pageText) {
  WriteHtmlHead();
  WriteMetaTags();
  WriteTitle(pageText);
  WritePolicyScript();
  Write("</HEAD>\n");
  WriteBodyTag();
}

std::string StorePage::Button(const std::string& pictureRef, const std::string& text) const {
  if (!pictureRef.empty())
    return Format(" TYPE=IMAGE %s ALT=\"%s\"%s", ImageAttributes(settings.BasePath(ShopSubfolder::Imgs), pictureRef),
                  AttributeText(text), TapPadding(pictureRef));
  return Format(" TYPE=SUBMIT VALUE=\"%s\"", AttributeText(text));
}

void StorePage::WriteMenuBar(bool showBack, bool showFront, bool showOrder) {
  const bool index = settings.generateIndex && settings.hasIndexEntries &&
                     (settings.mode == RunMode::Preview || settings.indexEntryCount > 0);
  struct Cell {
    bool shown;
    const char* name;
    int text;
    const std::string& picture;
  };
  const Cell cells[] = {{showBack, "show_back", text::kBackButton, pictures_.back},
                        {true, "show_wk", text::kCartButton, pictures_.cart},
                        {true, "show_search", text::kSearchButton, pictures_.search},
                        {index, "show_index", text::kIndexButton, pictures_.index},
                        {showFront, "show_front", text::kShopEntryButton, pictures_.front},
                        {showOrder, "show_wk", text::kOrderButton, pictures_.order},
                        {settings.hasHomeLink, "show_home", text::kHomeButton, pictures_.home}};
  std::string bar =
      "<DIV ROLE=\"navigation\" ARIA-LABEL=\"Navigation\"><TABLE CLASS=\"nav\" BORDER=0 CELLPADDING=0 CELLSPACING=4><TR>";
  for (const Cell& c : cells)
    if (c.shown)
      bar += Format("<TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"%s\"%s></TD>", c.name, Button(c.picture, Text(c.text)));
  Write(bar + "</TR></TABLE></DIV>\n");
}

void StorePage::WriteDivider() {
  if (!pictures_.divider.empty())
    Put("<P><IMG %s ALT=\"\"></P>\n", ImageAttributes(settings.BasePath(ShopSubfolder::Imgs), pictures_.divider));
  else
    Write("<P><HR WIDTH=620 ALIGN=CENTER></P>\n");
}

void StorePage::WriteFooter() {
  // The terms are one of the legal pages now, which every page links.
  constexpr std::string_view mail = "<FONT SIZE=\"-1\" FACE=\"%s\"><I><A HREF=\"mailto:%s\">%s</A></I></FONT><BR>\n";
  Write("<DIV CLASS=\"foot\">");
  Put(mail, face, HtmlEscape(company.EmailInfo), Text(text::kQuestionsMailLink));
  Put(mail, face, HtmlEscape(company.EmailSupport), Text(text::kSupportMailLink));
  Write("</DIV>\n");
}

void StorePage::WriteLegalFooter() {
  std::string entries;
  for (const LegalPage& p : kLegalPages)
    entries += Format("%s<INPUT TYPE=SUBMIT NAME=\"%s\" VALUE=\"%s\" CLASS=\"link\">", entries.empty() ? "" : " ",
                      p.button, p.text);
  Write("<DIV CLASS=\"legal\" ROLE=\"navigation\" ARIA-LABEL=\"Rechtliches\">" + entries + "</DIV>\n");
}

void StorePage::WriteLogo(bool isStorefront) {
  if (settings.logoRef.empty() || !(isStorefront || settings.logoOnAllPages)) return;
  Put("<IMG %s ALT=\"%s\"><P>\n", ImageAttributes(settings.BasePath(ShopSubfolder::Imgs), settings.logoRef),
      HtmlEscape(company.StoreName));
}

void StorePage::WriteCreditLine() { Put("<FONT FACE=\"%s\" SIZE=\"-2\"><BR>%s</FONT>\n", face, CreditLine()); }

const std::unordered_set<int32_t>& StorePage::ShownProducts() {
  if (!shownProducts_) shownProducts_.emplace(Shown(run).products.begin(), Shown(run).products.end());
  return *shownProducts_;
}

const std::unordered_set<int32_t>& StorePage::ShownCategories() {
  if (!shownCategories_) shownCategories_.emplace(Shown(run).categories.begin(), Shown(run).categories.end());
  return *shownCategories_;
}

namespace {

// Reads a table of names once into a map by key.
template <class Set>
const std::string& NameIn(ShopDatabase& db, std::optional<std::unordered_map<int32_t, std::string>>& names,
                          int32_t id) {
  if (!names) {
    names.emplace();
    Set set(db);
    set.SetSort("");
    set.ForEach([&](const auto& row) { names->emplace(row.ID, HtmlEscape(row.Name)); });
  }
  static const std::string none;
  auto it = names->find(id);
  return it == names->end() ? none : it->second;
}

}  // namespace

std::string StorePage::AttributeName(int32_t id) { return NameIn<CRecSetMainAttributes>(run.db, attributes_, id); }
std::string StorePage::ValueName(int32_t id) { return NameIn<CRecSetSubAttributes>(run.db, values_, id); }

std::string StorePage::ProductName(int32_t id) {
  CRecSetProducts product(run.db);
  product.SetFilter(Eq("ID", id));
  product.Open();
  return product.IsEOF() ? std::string() : HtmlEscape(product->Name);
}

float StorePage::TaxRate(int32_t id) {
  if (!taxRates_) {
    taxRates_.emplace();
    CRecSetTaxesByType taxes(run.db);
    taxes.ForEach([&](const TaxesByTypeRow& row) { taxRates_->emplace(row.ID, row.Rate); });
  }
  auto it = taxRates_->find(id);
  return it == taxRates_->end() ? 0.0f : it->second;
}

const std::vector<std::string>& StorePage::LinesOf(int32_t productId) {
  if (!lines_) {
    lines_.emplace();
    std::unordered_map<int32_t, std::string> included;
    CRecSetLines lineSet(run.db);
    lineSet.SetFilter(Eq("Include", true));
    lineSet.ForEach([&](const LinesRow& row) { included.emplace(row.ID, HtmlEscape(row.Name)); });
    CRecSetProdLines memberships(run.db);
    memberships.ForEach([&](const ProdLinesRow& row) {
      if (auto it = included.find(row.LineID); it != included.end()) (*lines_)[row.ProductID].push_back(it->second);
    });
  }
  static const std::vector<std::string> none;
  auto it = lines_->find(productId);
  return it == lines_->end() ? none : it->second;
}

bool WritePageFile(RunContext& run, const fs::path& file, std::string_view displayName, Prompter* creationPrompter,
                   const std::function<void(StorePage&)>& body) {
  StorePage page(run);
  if (!page.Open(file, displayName, creationPrompter)) return false;
  bool ok = true;
  try {
    body(page);
  } catch (const DbError& e) {
    run.prompter.Show(DbErrorReport(e), MessageIcon::Stop, std::string(texts::kDbErrorTitle));
    ok = false;
  }
  return page.Finish() && ok;
}

bool WritePreviewPage(RunContext& run, std::string_view fileName, const std::function<void(StorePage&)>& body) {
  return WritePageFile(run, run.Folder(ShopSubfolder::Preview) / fileName, "preview/" + std::string(fileName),
                       nullptr, body);
}

}  // namespace vendora
