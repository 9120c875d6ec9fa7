#include "commands.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <optional>

#include "app/demo_shop.h"
#include "app/program_folder.h"
#include "common/clock.h"
#include "generator/generation.h"
#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "common/program_text.h"
#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "shopdb/changed_flag.h"
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
  out << "Version " << version->Version << ", Sprache " << lang->LangID << " (" << LanguageName(lang->LangID)
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

const char* ColourTypeName(int colourType) {
  switch (colourType) {
    case kColourGrey: return "Graustufen";
    case kColourTrue: return "Echtfarben";
    case kColourIndexed: return "Palette";
    default: return "unbekannt";
  }
}

int ImageInfo(const std::string& file, std::ostream& out, std::ostream& err) {
  CImageFile image;
  if (!image.Load(file)) {
    err << "Das Bild '" << file << "' konnte nicht gelesen werden.\n";
    return 1;
  }
  const CImageImpl& impl = *image.GetImpl();
  out << "Format: " << ExtensionOfFormat(image.GetFormat()) << "\nBreite: " << impl.GetWidth()
      << "\nHöhe: " << impl.GetHeight() << "\nBits pro Pixel: " << impl.GetBitsPerPixel()
      << "\nFarbtyp: " << impl.GetColourType() << " (" << ColourTypeName(impl.GetColourType()) << ")"
      << "\nPalette: " << (impl.GetPalette() ? impl.GetPalette()->size() : 0) << " Einträge"
      << "\nTransparenter Index: " << impl.GetTransparentIndex() << "\n";
  return 0;
}

int ImageConvert(const std::string& source, const std::string& target, std::ostream& err) {
  CImageFile image;
  if (!image.Load(source)) {
    err << "Das Bild '" << source << "' konnte nicht gelesen werden.\n";
    return 1;
  }
  if (FormatFromFileName(target) == ImageFormat::None || !image.Save(target)) {
    err << "Das Bild '" << target << "' konnte nicht geschrieben werden.\n";
    return 1;
  }
  return 0;
}

int ImageThumbnail(const std::string& source, const std::string& target, int quality, Prompter& prompter,
                   std::ostream& out, std::ostream& err) {
  ImageSize full;
  auto made = WriteThumbnail(source, target, quality, &full, &prompter);
  if (!made) {
    err << (full.width > 0 ? "Das Miniaturbild '" + target + "' konnte nicht geschrieben werden.\n"
                           : "Das Bild '" + source + "' konnte nicht gelesen werden.\n");
    return 1;
  }
  out << source << " " << full.width << "x" << full.height << " -> " << target << " " << made->width << "x"
      << made->height << "\n";
  return 0;
}

// Log lines on stderr and, on a terminal, a progress bar that the lines scroll past.
class TerminalLog : public LogSink, public ProgressSink {
 public:
  TerminalLog(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  void AddLine(const std::string& line) override {
    if (terminal_) err_ << "\r\033[K";
    err_ << line << "\n";
    if (terminal_) Draw();
  }
  void SetProgress(int low, int high, int position) override {
    low_ = low;
    high_ = high;
    position_ = position;
    if (terminal_) Draw();
  }
  void Finish() {
    if (terminal_) err_ << "\r\033[K" << std::flush;
  }

 private:
  void Draw() {
    const int span = std::max(1, high_ - low_), done = std::clamp(position_ - low_, 0, span);
    const int width = 30, filled = done * width / span;
    err_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(width - filled), ' ')
         << "] " << done << "/" << span << std::flush;
  }
  std::ostream& err_;
  bool terminal_;
  int low_ = 0, high_ = 1, position_ = 0;
};

}  // namespace

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
           bool inputIsTerminal) {
  CLI::App app{"Vendora - Shops anlegen, öffnen und verwalten", "vendora-cli"};
  app.require_subcommand(1);
  app.fallthrough();  // --yes/--no may also follow the command
  bool yes = false, no = false;
  app.add_flag("--yes,-y", yes, "Alle Fragen mit Ja beantworten");
  app.add_flag("--no,-n", no, "Alle Fragen mit Nein beantworten");

  std::string name, path;
  auto* shops = app.add_subcommand("shops", "Die Shop-Liste anzeigen");
  auto* create = app.add_subcommand("new", "Einen neuen Shop im Programmordner anlegen");
  create->add_option("NAME", name, "Name des neuen Shops")->required();
  auto* add = app.add_subcommand("add", "Eine vorhandene Shop-Datei in die Liste aufnehmen");
  add->add_option("PATH", path, "Pfad der Shop-Datei")->required();
  auto* remove = app.add_subcommand("remove", "Einen Shop aus der Liste entfernen (die Dateien bleiben)");
  remove->add_option("NAME", name, "Name oder Pfad des Shops")->required();
  auto* open = app.add_subcommand("open", "Einen Shop öffnen und seine Tabellen zeigen");
  open->add_option("PATH", path, "Pfad der Shop-Datei")->required();
  auto* compact = app.add_subcommand("compact", "Einen Shop komprimieren");
  compact->add_option("PATH", path, "Pfad der Shop-Datei")->required();

  auto* image = app.add_subcommand("image", "Bilder prüfen, umwandeln und verkleinern");
  image->require_subcommand(1);
  std::string target;
  int quality = 85;
  auto* imageInfo = image->add_subcommand("info", "Format, Größe, Farbtiefe und Palette eines Bildes zeigen");
  imageInfo->add_option("FILE", path, "Bilddatei")->required();
  auto* imageConvert = image->add_subcommand("convert", "Ein Bild im Format der Zieldatei speichern");
  imageConvert->add_option("SRC", path, "Quelldatei")->required();
  imageConvert->add_option("DEST", target, "Zieldatei (.bmp, .gif, .jpg, .jpeg, .png)")->required();
  auto* imageThumb = image->add_subcommand("thumbnail", "Ein Miniaturbild (JPEG, längere Seite 100 Pixel) erzeugen");
  imageThumb->add_option("SRC", path, "Quelldatei")->required();
  imageThumb->add_option("DEST", target, "Zieldatei")->required();
  imageThumb->add_option("--quality", quality, "JPEG-Qualität 1-100 (Vorgabe 85)")->check(CLI::Range(1, 100));

  bool force = false;
  auto* generate = app.add_subcommand("generate", "Den Web-Shop eines Shops erzeugen");
  generate->add_option("SHOP", path, "Pfad der Shop-Datei")->required();
  generate->add_flag("--force,-f", force, "Auch ohne Änderungen neu erzeugen");
  int products = DemoShopOptions().products;
  auto* demo = app.add_subcommand("demo", "Einen vollständigen Demo-Shop anlegen");
  demo->add_option("DIR", path, "Ordner des Demo-Shops")->required();
  demo->add_option("--products", products, "Anzahl der Produkte")->check(CLI::Range(1, 1000000));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? 0 : 2;
  }
  if (yes && no) {
    err << "--yes und --no schließen sich aus.\n";
    return 2;
  }

  std::optional<ProgramIdentity> identity = CompiledProgramIdentity();
  if (!identity) {
    err << texts::kVersionInfoUnreadable << "\n";
    return 1;
  }
  CliPrompter prompter(yes ? CliAnswerMode::AlwaysYes : no ? CliAnswerMode::AlwaysNo : CliAnswerMode::Interactive,
                       in, out, err, inputIsTerminal);
  ShopManager manager(*identity, ProgramFolder(), prompter);
  const fs::path settingsFile = SettingsFilePath();
  manager.LoadSettings(settingsFile);

  auto saveSettings = [&]() {
    if (!manager.SaveSettings(settingsFile)) {
      err << "Die Einstellungen konnten nicht in '" << settingsFile.string() << "' gespeichert werden.\n";
      return false;
    }
    return true;
  };

  try {
    if (*imageInfo) return ImageInfo(path, out, err);
    if (*imageConvert) return ImageConvert(path, target, err);
    if (*imageThumb) return ImageThumbnail(path, target, quality, prompter, out, err);
    if (*demo) {
      // An existing demo shop may hold the merchant's trials: replaced only when confirmed.
      std::error_code ec;
      if (fs::exists(fs::path(path) / "Demoshop.mdb", ec) &&
          prompter.AskYesNo(Format(texts::kDemoShopExists, path), Answer::No) != Answer::Yes)
        return 1;
      DemoShopOptions demoOptions;
      demoOptions.products = products;
      try {
        const fs::path database = CreateDemoShop(path, demoOptions);
        out << Format(texts::kDemoShopCreated, database.string()) << "\n";
        return 0;
      } catch (const DbError&) {
        throw;
      } catch (const std::exception& e) {
        err << Format(texts::kDemoShopFailed, e.what()) << "\n";
        return 1;
      }
    }
    if (*generate) {
      if (!manager.OpenShopDatabase(path)) return 1;
      GenerationLog log;
      TerminalLog terminal(err, isatty(2) != 0);
      log.AddSink(&terminal);
      log.AddProgress(&terminal);
      const ShopPaths shopPaths = DeriveShopPaths(manager.Database().Path());
      log.SetFileLog(manager.Settings().doFileLog, shopPaths.logFile);
      SystemClock clock;
      ShopGenerator generator(manager.Database(), shopPaths, log, prompter, clock);
      if (force) SetDatabaseChanged(true);
      const bool ok = generator.Start();
      terminal.Finish();
      return ok ? 0 : 1;
    }
    if (*shops) {
      const auto names = manager.ShopDisplayNames();
      if (names.empty()) out << "Die Shop-Liste ist leer.\n";
      for (size_t i = 0; i < names.size(); ++i)
        out << (static_cast<int>(i) == manager.CurrentIndex() ? "* " : "  ") << names[i] << "\t"
            << manager.Shops()[i] << "\n";
      return 0;
    }
    if (*create) {
      bool ok = manager.CreateShop(name);
      return saveSettings() && ok ? 0 : 1;
    }
    if (*add) {
      bool ok = manager.AddShop(path);
      return saveSettings() && ok ? 0 : 1;
    }
    if (*remove) {
      int index = manager.FindShopByName(name);
      if (index < 0) index = manager.FindShop(fs::absolute(name));
      if (index < 0) {
        err << Format(texts::kShopNotInList, name) << "\n";
        return 1;
      }
      // Removing concerns the chosen shop, as in the list of the company page.
      manager.Settings().current = index;
      bool ok = manager.RemoveShop(index);
      return saveSettings() && ok ? 0 : 1;
    }
    if (*open) {
      if (!manager.OpenShopDatabase(path)) return 1;
      EnsureDefaultRows(manager.Database());
      PrintShopSummary(manager.Database(), out);
      return 0;
    }
    if (*compact) {
      if (!manager.OpenShopDatabase(path)) return 1;
      CompactOutcome outcome = CompactOutcome::Replaced;
      bool ok = manager.CompactCurrentShop(&outcome);
      if (!ok) return 1;
      if (outcome == CompactOutcome::Replaced) {
        out << "Der Shop '" << path << "' wurde komprimiert.\n";
        return 0;
      }
      err << "Die komprimierte Kopie '" << CompactCopyPath(path).string()
          << "' konnte die Shop-Datei nicht ersetzen; sie liegt daneben.\n";
      return 1;
    }
  } catch (const DbError& e) {
    err << DbErrorReport(e) << "\n";
    return 1;
  }
  return 2;
}

}  // namespace vendora
