// The shop list and single shops: shops, new, add, remove, open, compact, demo.
#include <CLI/CLI.hpp>

#include <iomanip>
#include <ostream>

#include "app/demo_shop.h"
#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/file_error_text.h"
#include "common/program_text.h"
#include "common/text_format.h"
#include "shopdb/compaction.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema.h"
#include "shopdb/schema_builder.h"
#include "shopdb/store_texts.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

void PrintShopSummary(ShopDatabase& db, std::ostream& out) {
  CRecSetVersion version(db);
  version.Open();
  CRecSetLangID lang(db);
  lang.Open();
  out << "Shop: " << db.Path().string() << "\n";
  const int language = lang.IsEOF() ? 0 : lang->LangID.value_or(kAnyLanguageMarker);
  out << "Version " << version->Version << ", Sprache " << language << " (" << LanguageName(language)
      << ")\n\nTabellen:\n";
  for (const TableDef& t : ShopTables())
    out << "  " << std::left << std::setw(16) << t.name << std::right << std::setw(8) << TableRowCount(db, t.name)
        << " Zeile(n)\n";

  out << "\nVom Programm angelegte Zeilen:\n";
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  CRecSetSubAttributes values(db);
  values.SetFilter(Eq("Name", " "));
  values.Open();
  if (kinds.FindFirst(Eq("Name", " "))) {
    out << "  MainAttributes  ID " << kinds->ID << " \" \" " << texts::kNoAttribute << "\n";
  }
  for (kinds.MoveFirst(); !kinds.IsEOF(); kinds.MoveNext())
    if (values.FindFirst(Eq("MainAttrID", kinds->ID)))
      out << "  SubAttributes   ID " << values->ID << " \" \" (Eigenschaft " << kinds->ID << ")\n";
  CRecSetIndex index(db);
  index.Open();
  if (index.FindFirst(Eq("Name", " "))) out << "  Index           ID " << index->ID << " \" \" " << texts::kNotIndexed << "\n";
  CRecSetTaxesByType taxes(db);
  taxes.Open();
  if (taxes.FindFirst(Eq("Type", " "))) out << "  TaxesByType     ID " << taxes->ID << " \" \" Satz " << Format("%.2f", taxes->Rate) << "\n";
  CRecSetPayments payments(db);
  payments.Open();
  for (; !payments.IsEOF(); payments.MoveNext())
    if (!payments->Code.empty())
      out << "  Payments        ID " << payments->ID << " \"" << payments->Name << "\" Code " << payments->Code
          << (payments->Include ? " (angeboten)" : " (ausgeschaltet)") << "\n";
  CRecSetOptions options(db);
  options.Open();
  if (!options.IsEOF())
    out << "  Options         Hauptwährung " << options->MCurrency << ", Standard-Steuerart " << options->DefTaxTypeID
        << "\n";
  out << "  Language        " << TableRowCount(db, "Language") << " Shop-Texte (" << StoreTextKeys().size()
      << " vom Programm)\n";
}

class ShopCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    shops_ = app.add_subcommand("shops", "Die Shop-Liste anzeigen");
    create_ = app.add_subcommand("new", "Einen neuen Shop im Programmordner anlegen");
    create_->add_option("NAME", name_, "Name des neuen Shops")->required();
    add_ = app.add_subcommand("add", "Eine vorhandene Shop-Datei in die Liste aufnehmen");
    add_->add_option("PATH", path_, "Pfad der Shop-Datei")->required();
    remove_ = app.add_subcommand("remove", "Einen Shop aus der Liste entfernen (die Dateien bleiben)");
    remove_->add_option("NAME", name_, "Name oder Pfad des Shops")->required();
    open_ = app.add_subcommand("open", "Einen Shop öffnen und seine Tabellen zeigen");
    open_->add_option("PATH", path_, "Pfad der Shop-Datei")->required();
    compact_ = app.add_subcommand("compact", "Einen Shop komprimieren");
    compact_->add_option("PATH", path_, "Pfad der Shop-Datei")->required();
    demo_ = app.add_subcommand("demo", "Einen vollständigen Demo-Shop anlegen und in die Liste aufnehmen");
    demo_->add_option("DIR", path_, "Ordner des Demo-Shops (Vorgabe: Demoshop im Programmordner)");
    demo_->add_option("--products", products_, "Anzahl der Produkte")->check(CLI::Range(1, 1000000));
  }

  std::optional<int> Run(CliContext& c) override {
    ShopManager& manager = c.manager;
    if (*shops_) {
      const auto names = manager.ShopDisplayNames();
      if (names.empty()) c.out << "Die Shop-Liste ist leer.\n";
      for (size_t i = 0; i < names.size(); ++i)
        c.out << (static_cast<int>(i) == manager.CurrentIndex() ? "* " : "  ") << names[i] << "\t"
              << manager.Shops()[i] << "\n";
      return 0;
    }
    if (*create_) {
      bool ok = manager.CreateShop(name_);
      return c.SaveSettings() && ok ? 0 : 1;
    }
    if (*add_) {
      bool ok = manager.AddShop(path_);
      return c.SaveSettings() && ok ? 0 : 1;
    }
    if (*remove_) {
      int index = manager.FindShopByName(name_);
      if (index < 0) index = manager.FindShop(fs::absolute(name_));
      if (index < 0) {
        c.err << Format(texts::kShopNotInList, name_) << "\n";
        return 1;
      }
      bool ok = manager.RemoveShop(index);
      return c.SaveSettings() && ok ? 0 : 1;
    }
    if (*open_) {
      if (!manager.OpenShopDatabase(path_)) return 1;
      RequireShopTables(manager.Database());
      EnsureDefaultRows(manager.Database());
      PrintShopSummary(manager.Database(), c.out);
      return 0;
    }
    if (*compact_) {
      if (!manager.OpenShopDatabase(path_)) return 1;
      CompactOutcome outcome = CompactOutcome::Replaced;
      bool ok = manager.CompactCurrentShop(&outcome);
      if (!ok) return 1;
      if (outcome == CompactOutcome::Replaced) {
        c.out << "Der Shop '" << path_ << "' wurde komprimiert.\n";
        return 0;
      }
      c.err << "Die komprimierte Kopie '" << CompactCopyPath(path_).string()
            << "' konnte die Shop-Datei nicht ersetzen; sie liegt daneben.\n";
      return 1;
    }
    if (*demo_) return Demo(c);
    return std::nullopt;
  }

 private:
  // Made like a new shop: on the list and chosen, so the desktop program opens on it.
  int Demo(CliContext& c) {
    const fs::path folder = path_.empty() ? c.manager.ProgramFolder() / "Demoshop" : fs::path(path_);
    // An existing demo shop may hold the merchant's trials: replaced only when confirmed.
    std::error_code ec;
    if (fs::exists(folder / "Demoshop.mdb", ec) &&
        c.prompter.AskYesNo(Format(texts::kDemoShopExists, folder.string()), Answer::No) != Answer::Yes)
      return 1;
    DemoShopOptions options;
    options.products = products_;
    const Result<fs::path> made = CreateDemoShop(folder, options);
    if (!made.ok()) return Failed(c, Status::Error(Format(texts::kDemoShopFailed, made.message())));
    const fs::path& database = *made;
    c.out << Format(texts::kDemoShopCreated, database.string()) << "\n";
    const bool listed = c.manager.AddShop(database);
    return c.SaveSettings() && listed ? 0 : 1;
  }

  std::string name_, path_;
  int products_ = DemoShopOptions().products;
  CLI::App *demo_ = nullptr, *shops_ = nullptr, *create_ = nullptr, *add_ = nullptr, *remove_ = nullptr, *open_ = nullptr,
           *compact_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeShopCommands() { return std::make_unique<ShopCommands>(); }

}  // namespace vendora
