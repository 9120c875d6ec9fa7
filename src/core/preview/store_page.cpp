#include "preview/store_page.h"

#include <array>

#include "app/program_identity.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/catalogue_files.h"
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

}  // namespace

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
  Put("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"><HTML><HEAD><META NAME=\"Generator\" "
      "CONTENT=\"%s\"><META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=iso-8859-1\">\n",
      GeneratorText());
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
    return Format(" TYPE=IMAGE %s ALT=\"%s\"", ImageAttributes(settings.BasePath(ShopSubfolder::Imgs), pictureRef),
                  AttributeText(text));
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
  const Cell cells[] = {{showBack, "show_back", 30024, pictures_.back},
                        {true, "show_wk", 30025, pictures_.cart},
                        {true, "show_search", 30027, pictures_.search},
                        {index, "show_index", 30026, pictures_.index},
                        {showFront, "show_front", 30028, pictures_.front},
                        {showOrder, "show_wk", 30029, pictures_.order},
                        {settings.hasHomeLink, "show_home", 30030, pictures_.home}};
  std::string bar = "<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=4><TR>";
  for (const Cell& c : cells)
    if (c.shown)
      bar += Format("<TD VALIGN=MIDDLE ALIGN=CENTER><INPUT NAME=\"%s\"%s></TD>", c.name, Button(c.picture, Text(c.text)));
  Write(bar + "</TR></TABLE>\n");
}

void StorePage::WriteDivider() {
  if (!pictures_.divider.empty())
    Put("<P><IMG %s></P>\n", ImageAttributes(settings.BasePath(ShopSubfolder::Imgs), pictures_.divider));
  else
    Write("<P><HR WIDTH=620 ALIGN=CENTER></P>\n");
}

void StorePage::WriteFooter() {
  if (textBlocks.PolicyJava)
    Put("<FONT SIZE=\"-1\" FACE=\"%s\"><I><A HREF=\"javascript:Tolm_AGB();\">%s</A></I></FONT><BR>\n", face,
        Text(30120));
  constexpr std::string_view mail = "<FONT SIZE=\"-1\" FACE=\"%s\"><I><A HREF=\"mailto:%s\">%s</A></I></FONT><BR>\n";
  Put(mail, face, HtmlEscape(company.EmailInfo), Text(30003));
  Put(mail, face, HtmlEscape(company.EmailSupport), Text(30004));
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
