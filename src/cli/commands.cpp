#include "commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>

#include "app/program_folder.h"
#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "app/version_report.h"
#include "cli_language.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/file_error_text.h"
#include "common/program_text.h"
#include "common/status.h"
#include "generator/graphic_sets.h"
#include "shopdb/db_error.h"

namespace vendora {

bool CliContext::SaveSettings() {
  if (manager.SaveSettings(settingsFile)) return true;
  err << Format(texts::kSettingsNotSaved, settingsFile.string()) << "\n";
  return false;
}

int Failed(CliContext& context, const Status& failure) {
  context.err << failure.message() << "\n";
  return 1;
}

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
           bool inputIsTerminal) {
  CLI::App app{"Vendora - Shops anlegen, öffnen und verwalten", "vendora-cli"};
  UseGermanHelp(app);
  app.set_version_flag("--version", VersionReport("vendora-cli"), "Die Version des Programms und seiner Bibliotheken zeigen");
  app.require_subcommand(1);
  app.fallthrough();  // --yes/--no may also follow the command
  bool yes = false, no = false;
  app.add_flag("--yes,-y", yes, "Alle Fragen mit Ja beantworten");
  app.add_flag("--no,-n", no, "Alle Fragen mit Nein beantworten");

  // Each group of commands lives in its own file; the order is the order of the help.
  std::vector<std::unique_ptr<CommandGroup>> groups;
  groups.push_back(MakeShopCommands());
  groups.push_back(MakeImageCommands());
  groups.push_back(MakeGenerateCommands());
  groups.push_back(MakePreviewCommands());
  groups.push_back(MakePublishCommands());
  groups.push_back(MakeServeCommands());
  groups.push_back(MakeCatalogueCommands());
  for (auto& group : groups) group->Register(app);
  GroupGermanCommands(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& e) {
    out << e.what();
    return 0;
  } catch (const CLI::CallForHelp&) {
    out << app.help();  // that of the command asked about ("vendora-cli demo --help")
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::ParseError& e) {
    err << GermanParseError(e, app);
    return 2;
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
  CliContext context{in, out, err, inputIsTerminal, prompter, manager, SettingsFilePath()};
  manager.LoadSettings(context.settingsFile);
  // Built-in graphic sets that are missing or damaged come back at every start.
  InstallBuiltInGraphicSets(manager.ProgramFolder());

  try {
    for (auto& group : groups)
      if (std::optional<int> code = group->Run(context)) return *code;
  } catch (const DbError& e) {
    err << DbErrorReport(e) << "\n";
    // The engine's own words, apart from the message, for whoever looks into the cause.
    if (!e.engineMessage().empty()) err << "  Einzelheiten: " << e.engineMessage() << "\n";
    return 1;
  } catch (const std::filesystem::filesystem_error& e) {
    err << FileErrorText(e) << "\n";
    return 1;
  }
  return 2;
}

}  // namespace vendora
