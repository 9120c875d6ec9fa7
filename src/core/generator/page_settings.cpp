#include "generator/page_settings.h"

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "generator/run_context.h"
#include "imaging/image_refs.h"
#include "shopdb/db_error.h"

namespace vendora {

std::string PreviewSettings::BasePath(ShopSubfolder folder) const {
  const std::string name(kShopSubfolderNames[static_cast<size_t>(folder)]);
  return mode == RunMode::Preview ? "../" + name : name;
}

// Both conversions look at characters, never at single bytes: a byte of a multi-byte
// or malformed sequence must not pass for "|" or a line end, nor hide one.
namespace {

// Trims in place: the escaped text is usually the returned one.
std::string Trimmed(std::string&& out) {
  const std::string_view kept = Trim(out);
  if (kept.size() == out.size()) return std::move(out);
  return std::string(kept);
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    // ASCII, nearly every character of a catalogue, is taken without decoding.
    const auto byte = static_cast<unsigned char>(text[i]);
    const char32_t c = byte < 0x80 ? text[i++] : DecodeUtf8(text, i);
    if (c < 32) continue;
    switch (c) {
      case '"': out += "&quot;"; break;
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '|': out += "&brvbar;"; break;
      default:
        if (c < 0x80) out.push_back(static_cast<char>(c));
        else AppendUtf8(out, c);
    }
  }
  return Trimmed(std::move(out));
}

std::string TextToHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const char32_t c = byte < 0x80 ? text[i++] : DecodeUtf8(text, i);
    switch (c) {
      case '|': out += "&brvbar;"; break;
      case '\r': out += "<BR>"; break;
      case '\n': break;
      default:
        if (c < 0x80) out.push_back(static_cast<char>(c));
        else AppendUtf8(out, c);
    }
  }
  return Trimmed(std::move(out));
}

std::string ShopText(ShopDatabase& db, int id) {
  try {
    CRecSetLanguage language(db);
    language.SetFilter(Eq("ID", id));
    language.Open();
    return language.IsEOF() ? std::string() : TextToHtml(language->Text);
  } catch (const DbError&) {
    return {};
  }
}

namespace {

template <class Set>
bool HasRows(ShopDatabase& db, const Criteria& filter) {
  try {
    Set set(db);
    set.SetFilter(filter);
    set.Open();
    return !set.IsEOF();
  } catch (const DbError&) {
    return false;  // a value that cannot be read keeps its default
  }
}

}  // namespace

bool LoadPreviewSettings(RunContext& run, RunMode mode) {
  PreviewSettings s;
  s.mode = mode;
  const InterfacesRow& ui = run.snapshot.interfaces;
  const OptionsRow& options = run.snapshot.options;

  s.textOnly = ui.TextOnly;
  s.masterCurrency = std::string(Trim(options.MCurrency));
  s.secondCurrency = std::string(Trim(options.SCurrency));
  s.hasSecondCurrency = !s.secondCurrency.empty();
  if (!ui.UseDefaultFonts) {
    s.fontFace = std::string(Trim(ui.MainFont));
    const std::string alt(Trim(ui.AltFont));
    if (!alt.empty()) s.fontFace += "," + alt;
  }
  s.tableBorder = ui.UseTableBorders ? 3 : 0;
  s.categoryWrap = ui.CatHorizontal ? 1 : (ui.CatHorzFreeWrap ? ui.CatHorzWrapOn : -1);
  s.categoryDescription = ui.CatHorizontal && ui.CatVertDescription;
  s.categoryDividers = ui.CatHorizontal && ui.CatVertDividers;
  s.categorySpacing = ui.CatExtraSpacing;

  if (HasRows<CRecSetLines>(run.db, Criteria())) {
    s.lines.present = true;
    s.lines.first = ui.LinesFirst ? 1 : 0;
    s.lines.spacing = ui.LinesExtraSpacing;
    s.lines.onProducts = ui.LinesOnProducts;
    if (ui.LinesHorizontal) {
      s.lines.description = ui.LinesVertDescription;
      s.lines.dividers = ui.LinesVertDividers;
      s.lines.wrap = 1;
    } else {
      s.lines.wrap = ui.LinesHorzFreeWrap ? ui.LinesHorzWrapOn : -1;
    }
  }

  s.menuTop = ui.MenuTop;
  s.menuTopHomePage = ui.MenuTopHomePage;
  s.menuBottom = ui.MenuBottom;
  s.generateIndex = ui.GenerateIndex;
  s.indexFirst = ui.IndexFirst;
  s.hasIndexEntries = HasRows<CRecSetIndex>(run.db, Ne("Name", " "));
  s.indexOnStorefront = ui.GenerateIndex && (ui.MenuBottom || ui.MenuTop) && ui.IndexFirst;
  s.useThumbnails = ui.UseThumbnails;
  s.generateDetails = ui.GenerateDetails;
  s.thumbnailQuality = ThumbnailQuality(ui.Quality);

  const std::string logoExt(Trim(run.snapshot.company.LogoExt));
  if (!s.textOnly && !logoExt.empty())
    s.logoRef = FindNamedImageRef(run.Folder(ShopSubfolder::Imgs), "logo." + logoExt);
  s.logoOnAllPages = !s.logoRef.empty() && run.snapshot.company.LogoUseall;

  const WebServerRow& web = run.snapshot.webServer;
  s.hasHomeLink = !web.StandAlone && !std::string(Trim(web.HomeURL)).empty();
  s.scriptExtension = web.ScriptExt == 1 ? ".pl" : ".cgi";

  const PayvaneRow& pay = run.snapshot.payvane;
  s.payvaneInUse = pay.Use;
  s.payvaneFee = pay.Price;
  s.payvaneType = pay.OlpType;
  s.payvaneTxType = pay.TxType;

  run.settings = std::move(s);
  run.log.Step();
  if (run.settings.masterCurrency.empty()) {
    run.prompter.Show(std::string(ProgramText(text::kMasterCurrencyMissing)), MessageIcon::Information);
    return false;
  }
  return true;
}

}  // namespace vendora
