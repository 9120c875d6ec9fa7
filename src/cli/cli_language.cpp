#include "cli_language.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <regex>
#include <sstream>
#include <vector>

namespace vendora {

namespace {

constexpr const char* kCommandGroup = "Befehle";

// Type names as CLI11 writes them ("INT", "TEXT:{merge,replace}", "INT:INT in [1 - 100]"),
// in German words.
std::string GermanTypeName(std::string type) {
  if (const size_t colon = type.find(':'); colon != std::string::npos) type = type.substr(colon + 1);
  static const std::pair<std::regex, const char*> kWords[] = {
      {std::regex(R"(\b(INT|UINT|FLOAT|NUMBER)\b)"), "ZAHL"},
      {std::regex(R"(\bTEXT\b)"), "TEXT"},
      {std::regex(R"( in \[)"), " aus ["},
  };
  for (const auto& [pattern, word] : kWords) type = std::regex_replace(type, pattern, word);
  return type;
}

class GermanFormatter : public CLI::Formatter {
 public:
  GermanFormatter() {
    label("Usage", "Aufruf");
    label("OPTIONS", "OPTIONEN");
    label("SUBCOMMAND", "BEFEHL");
    label("SUBCOMMANDS", "BEFEHLE");
    label("Positionals", "Argumente");
    label("REQUIRED", "(Pflicht)");
    label("Env", "Umgebung");
    label("Needs", "Braucht");
    label("Excludes", "Schließt aus");
    column_width(34);
  }

  std::string make_option_opts(const CLI::Option* opt) const override {
    if (!opt->get_option_text().empty()) return " " + opt->get_option_text();
    std::string out;
    if (opt->get_type_size() != 0) {
      if (!opt->get_type_name().empty()) out += " " + GermanTypeName(opt->get_type_name());
      if (!opt->get_default_str().empty()) out += " (Vorgabe " + opt->get_default_str() + ")";
      if (opt->get_required()) out += " " + get_label("REQUIRED");
    }
    return out;
  }
};

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

// The chain of commands the parse reached: the top-level command, then each chosen
// subcommand.
std::vector<const CLI::App*> ParsedChain(const CLI::App& app) {
  std::vector<const CLI::App*> chain{&app};
  for (;;) {
    const std::vector<const CLI::App*> chosen =
        chain.back()->get_subcommands([](const CLI::App* sub) { return sub->parsed() && !sub->get_name().empty(); });
    if (chosen.empty()) return chain;
    chain.push_back(chosen.front());
  }
}

std::string CommandList(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return !s->get_name().empty(); }))
    names.push_back(sub->get_name());
  return Join(names, ", ");
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// CLI11's English message, read back into its parts and said in German.
std::string TranslateMessage(const CLI::Error& error, const std::vector<const CLI::App*>& chain) {
  const std::string name = error.get_name();
  const std::string text = error.what();
  std::smatch m;
  auto is = [&](const char* pattern) { return std::regex_match(text, m, std::regex(pattern)); };
  const CLI::App& reached = *chain.back();

  // CLI11 names some errors after the command they occurred in, so the message's shape
  // is what tells them apart.
  if (is(R"(A subcommand is required|Requires at least \d+ subcommands)")) {
    const std::string commands = " Die Befehle sind: " + CommandList(reached) + ".";
    std::vector<std::string> options;
    for (const std::string& word : chain.front()->remaining(true)) {
      if (!word.empty() && word.front() != '-') return "Unbekannter Befehl " + Quoted(word) + "." + commands;
      options.push_back(Quoted(word));
    }
    if (!options.empty()) return "Unbekannte Option " + Join(options, ", ") + "; es fehlt ein Befehl." + commands;
    return "Es fehlt ein Befehl." + commands;
  }
  if (is(R"(The following arguments? (?:was|were) not expected: (.*))")) {
    std::istringstream words(m.str(1));
    std::vector<std::string> extras;
    bool options = true;
    for (std::string word; words >> word;) {
      extras.push_back(Quoted(word));
      options = options && word.front() == '-';
    }
    if (options) return (extras.size() > 1 ? "Unbekannte Optionen: " : "Unbekannte Option: ") + Join(extras, ", ") + ".";
    return (extras.size() > 1 ? "Zu viele Angaben: " : "Eine Angabe zu viel: ") + Join(extras, ", ") + ".";
  }
  if (is(R"((.+): \d+ required .* missing)")) return "Bei " + m.str(1) + " fehlt der Wert.";
  if (is(R"(Expected exactly (\d+) arguments to (.+), got (\d+))"))
    return m.str(2) + " erwartet genau " + m.str(1) + " Wert(e), nicht " + m.str(3) + ".";
  if (is(R"((.+): At least (\d+) required but received (\d+))"))
    return m.str(1) + " erwartet mindestens " + m.str(2) + " Wert(e), nicht " + m.str(3) + ".";
  if (is(R"((.+): At Most (\d+) required but received (\d+))"))
    return m.str(1) + " erwartet höchstens " + m.str(2) + " Wert(e), nicht " + m.str(3) + ".";
  if (is(R"((.+) was given a disallowed flag override)")) return m.str(1) + " nimmt keinen Wert an.";
  if (is(R"(The value (.*) is not an allowed value for (.+))"))
    return "Der Wert " + Quoted(m.str(1)) + " ist für " + m.str(2) + " nicht zulässig.";
  if (is(R"(Could not convert: (.+) = (.*))"))
    return "Der Wert " + Quoted(m.str(2)) + " ist für " + m.str(1) + " nicht zulässig.";
  if (is(R"((.+): too many inputs for a flag)")) return m.str(1) + " ist ein Schalter und nimmt keinen Wert an.";
  if (is(R"((.+): Should be true/false or a number)")) return m.str(1) + " erwartet true, false oder eine Zahl.";
  if (is(R"((.+): Value (.*) not in range (\S+) to (\S+))"))
    return "Der Wert " + Quoted(m.str(2)) + " für " + m.str(1) + " ist keine Zahl von " + m.str(3) + " bis " +
           m.str(4) + ".";
  if (is(R"((.+): (.*) not in \{(.*)\})")) {
    std::string message = "Der Wert " + Quoted(m.str(2)) + " ist für " + m.str(1) + " nicht zulässig";
    // The set is written joined by commas; a set holding a comma cannot be listed back.
    std::vector<std::string> allowed;
    std::istringstream items(m.str(3));
    for (std::string item; std::getline(items, item, ',');) allowed.push_back(Quoted(item));
    const bool listable = std::none_of(allowed.begin(), allowed.end(), [](const std::string& a) { return a == "''"; });
    return message + (listable && !allowed.empty() ? "; möglich sind: " + Join(allowed, ", ") : "") + ".";
  }
  if (is(R"((.+) excludes (.+))")) return m.str(1) + " und " + m.str(2) + " schließen sich aus.";
  if (is(R"((.+) requires (.+))")) return m.str(1) + " geht nur zusammen mit " + m.str(2) + ".";
  if (is(R"((.+) is required)")) return "Die Angabe " + m.str(1) + " fehlt.";
  if (name == "ValidationError" && is(R"(([^:]+): .*)")) return "Die Angabe für " + m.str(1) + " ist nicht zulässig.";
  return "Die Befehlszeile ist nicht zu verstehen.";
}

}  // namespace

void UseGermanHelp(CLI::App& app) {
  app.formatter(std::make_shared<GermanFormatter>());
  app.option_defaults()->group("Optionen");
  app.set_help_flag("-h,--help", "Diese Hilfe zeigen");
}

void GroupGermanCommands(CLI::App& app) {
  for (CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return !s->get_name().empty(); })) {
    sub->group(kCommandGroup);
    // A subcommand's help flag is made before it takes over the option defaults.
    if (CLI::Option* help = sub->get_help_ptr()) help->group("Optionen");
    GroupGermanCommands(*sub);
  }
}

std::string GermanParseError(const CLI::Error& error, const CLI::App& app) {
  const std::vector<const CLI::App*> chain = ParsedChain(app);
  std::vector<std::string> path;
  for (const CLI::App* command : chain) path.push_back(command->get_name());
  return TranslateMessage(error, chain) + "\nHilfe: " + Join(path, " ") + " --help\n";
}

}  // namespace vendora
