#pragma once
// What the company page does with the shop's Company row: the fields it shows, the
// logo it keeps in the shop's imgs folder, and saving both.
#include <filesystem>
#include <optional>

#include "app/shop_paths.h"
#include "rules/settings_form.h"

namespace vendora {

class Prompter;
class ShopDatabase;

// The company fields in page order (LogoExt is kept by the logo rule, not typed).
const SettingsForm& CompanyForm();

// The merchant's change of logo since the page was filled.
struct LogoChange {
  bool remove = false;                         // the logo was taken away
  std::optional<std::filesystem::path> chosen; // a picture file picked for it
};

// The texts the page shows: the stored row, or a fresh one's defaults.
FormValues LoadCompany(ShopDatabase& db);
// The current logo picture (imgs/logo.<LogoExt>), if the shop has one.
std::optional<std::filesystem::path> CompanyLogoFile(ShopDatabase& db, const ShopPaths& paths);

// Checks the typed texts, applies the logo change (copying the picture into imgs as
// "logo.<ext>", deleting a removed one) and writes the row. Every refusal and database
// error is shown through the prompter; false when nothing was written.
bool SaveCompany(ShopDatabase& db, const ShopPaths& paths, const FormValues& values, const LogoChange& logo,
                 Prompter& prompter);

}  // namespace vendora
