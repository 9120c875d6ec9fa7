#include "rules/company_rules.h"

#include <system_error>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "generator/config_file.h"
#include "imaging/image_refs.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;

const SettingsForm& CompanyForm() {
  static const SettingsForm form{
      "Company",
      {
          {"StoreName", "Shop-Na&me:"},
          {"Company", "&Firma:"},
          {"Address1", "&Adresse:"},
          {"Address2", "Adresse (&2. Zeile):"},
          {"ZIP", "PL&Z:"},
          {"City", "&Ort:"},
          {"State", "&Bundesland:"},
          {"Country", "&Land:"},
          {"Phone1", "&Telefon:"},
          {"Phone2", "Telefon (2):"},
          {"Fax1", "Fa&x:"},
          {"Fax2", "Fax (2):"},
          {"EmailInfo", "E-Mail &Information:"},
          {"EmailSupport", "E-Mail S&upport:"},
          {"EmailPress", "E-Mail P&resse:"},
          {"EmailSales", "E-Mail &Verkauf:"},
          {"Description", "B&eschreibung:", FieldKind::Memo},
          {"Keywords", "Sti&chwörter:", FieldKind::Memo},
          {"LogoUseall", " Shop-Logo auf allen Seiten einbinden ", FieldKind::Switch},
      }};
  return form;
}

FormValues LoadCompany(ShopDatabase& db) { return ShowRow(CompanyForm(), ReadSettingsRow<CompanyRow>(db)); }

std::optional<fs::path> CompanyLogoFile(ShopDatabase& db, const ShopPaths& paths) {
  const std::string ext(Trim(ReadSettingsRow<CompanyRow>(db).LogoExt));
  if (ext.empty()) return std::nullopt;
  const fs::path file = paths.Subfolder(ShopSubfolder::Imgs) / ("logo." + ext);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  return file;
}

bool SaveCompany(ShopDatabase& db, const ShopPaths& paths, const FormValues& values, const LogoChange& logo,
                 Prompter& prompter) {
  try {
    CompanyRow row = ReadSettingsRow<CompanyRow>(db);
    if (!TakeRow(CompanyForm(), values, row, prompter)) return false;
    // Order mail goes to these: a malformed one would lose every order without a word.
    for (const auto& [address, field] : CompanyEmailFields(row)) {
      if (Trim(*address).empty() || IsEmailAddress(*address)) continue;
      prompter.Show(Format(texts::kInvalidEmailAddress, Trim(*address), field), MessageIcon::Warning);
      return false;
    }
    // The picture is taken once the fields are known to be good, and the logo it may
    // replace is kept aside until the row is written: a refused save leaves both as
    // they were.
    const fs::path imgs = paths.Subfolder(ShopSubfolder::Imgs);
    const std::string oldExt(Trim(row.LogoExt));
    const fs::path oldLogo = imgs / ("logo." + oldExt);
    const fs::path aside = imgs / ".logo.previous";
    std::error_code ec;
    fs::remove(aside, ec);
    const bool keptAside = !oldExt.empty() && (logo.remove || logo.chosen) && fs::is_regular_file(oldLogo, ec) &&
                           fs::copy_file(oldLogo, aside, ec);
    row.LogoExt = StoreLogo(imgs, oldExt, logo.remove, logo.chosen, prompter);
    try {
      CRecSetCompany company(db);
      WriteSettingsRow(company, row);
    } catch (const DbError&) {
      if (row.LogoExt != oldExt && !row.LogoExt.empty()) fs::remove(imgs / ("logo." + row.LogoExt), ec);
      if (keptAside) fs::rename(aside, oldLogo, ec);
      throw;
    }
    if (keptAside) fs::remove(aside, ec);
    return true;
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
}

}  // namespace vendora
