#include "generator/scripts.h"

#include <array>
#include <cstdio>

#include "app/program_identity.h"
#include "common/program_text.h"
#include "generator/embedded_files.h"
#include "common/log.h"
#include "common/output_file.h"
#include "generator/perl_literal.h"
#include "generator/run_context.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

// The embedded source of each index; olpcnf.pm has none, it is generated.
constexpr std::array<std::string_view, kScriptCount> kSources = {"catalog.pl", "order.pl", "webcode.pm", "product.pm",
                                                                  "sales.pm",   "",         "Payvane.pm"};
constexpr int kPayvaneClientScript = 6;

constexpr std::string_view kOlpConfigHead =
    "# olpcnf.pm - connection data of the Tolm! Payvane card payment service, Version 1.00\n"
    "package\tolpcnf;\n"
    "\n"
    "$OLP_CardType{'euro'} = q{Eurocard / Mastercard};\n"
    "$OLP_CardType{'visa'} = q{Visa};\n"
    "$OLP_CardType{'amex'} = q{American Express};\n"
    "$OLP_CardType{'diner'} = q{Diners Club};\n";

std::string_view EmbeddedText(int index) {
  if (index == kOlpConfigScript) return kOlpConfigHead;
  const std::string_view source = kSources[static_cast<size_t>(index)];
  for (const EmbeddedFile& file : StorefrontFiles())
    if (file.name == source) return file.bytes;
  return {};
}

bool IsCgiScript(int index) { return index == 0 || index == 1; }

std::string OlpConfigModule(const ScriptSettings& s) {
  std::string out(kOlpConfigHead);
  if (s.payvaneInUse) {
    const auto& p = s.payvane;
    out += Format("$OLP_Data{'key_e'} = %s;\n", PerlQ(p.keyE));
    out += Format("$OLP_Data{'key_n'} = %s;\n", PerlQ(p.keyN));
    out += Format("$OLP_Data{'user'} = %ld;\n", p.userNumber);
    out += Format("$OLP_Data{'server'} = %s;\n", PerlQ(p.server));
    out += Format("$OLP_Data{'port'} = %d;\n", p.port);
    out += Format("$OLP_Data{'time'} = %ld;\n", p.timeOut);
    // Kept beside the card-service keys: a file the web server runs, never sends.
    if (!p.sealKey.empty()) out += Format("$SealKey = %s;\n", PerlQ(p.sealKey));
  }
  return out + "1;";
}

}  // namespace

std::string ScriptFileName(int index, const std::string& scriptExtension) {
  switch (index) {
    case 0: return "catalog" + scriptExtension;
    case 1: return "order" + scriptExtension;
    case 2: return "webcode.pm";
    case 3: return "product.pm";
    case 4: return "sales.pm";
    case 5: return "olpcnf.pm";
    case 6: return "Payvane.pm";
    default: return {};
  }
}

ScriptSettings ScriptSettingsOf(const RunContext& run) {
  ScriptSettings s;
  s.cgiFolder = run.Folder(ShopSubfolder::Cgi);
  s.scriptExtension = run.scriptExtension;
  s.interpreterLine = run.settings.server.interpreterLine;
  s.storePath = run.settings.server.storePath;
  s.payvaneInUse = run.settings.payvaneInUse;
  s.payvane = run.settings.payvane;
  return s;
}

std::string ScriptHeader(const ScriptSettings& settings) {
  return settings.interpreterLine +
         Format("#\nrequire %s;\n\n", PerlSingleQuoted(Format("%s%s/%s", settings.storePath, "data", "config.cnf")));
}

std::string ScriptContent(const ScriptSettings& settings, int index) {
  if (index < 0 || index >= kScriptCount) return {};
  if (index == kOlpConfigScript) return OlpConfigModule(settings);
  const std::string_view body = EmbeddedText(index);
  return IsCgiScript(index) ? ScriptHeader(settings) + std::string(body) : std::string(body);
}

bool WriteScriptFile(const ScriptSettings& settings, int index, GenerationLog* log) {
  if (index < 0 || index >= kScriptCount) return false;
  const std::string name = ScriptFileName(index, settings.scriptExtension);
  OutputFile out;
  if (log) {
    if (!CreateGeneratedFile(out, settings.cgiFolder / name, name, *log, nullptr)) return false;
  } else {
    std::error_code error;
    if (!out.Create(settings.cgiFolder / name, error)) return false;
  }
  // The bodies are written as the program carries them; only the per-shop parts
  // (header, olpcnf.pm) hold merchant text that needs the shop's code page.
  if (IsCgiScript(index)) out.Write(ScriptHeader(settings));
  if (index == kOlpConfigScript) out.Write(OlpConfigModule(settings));
  else out.WriteBytes(EmbeddedText(index));
  if (log) return FinishGeneratedFile(out, name, *log);
  return out.Close();
}

double ScriptVersion(std::string_view text) {
  constexpr std::string_view kMarker = "Version ";
  const size_t at = text.find(kMarker);
  if (at == std::string_view::npos) return 0;
  const std::string rest(text.substr(at + kMarker.size(), 40));
  int major = 0, minor = 0;
  if (std::sscanf(rest.c_str(), "%d.%d", &major, &minor) != 2) return 0;
  return major + minor * 0.01;
}

std::string ScriptVersionInfo() {
  const ProgramIdentity identity = CompiledProgramIdentity().value_or(ProgramIdentity{});
  auto v = [](int index) { return ScriptVersion(EmbeddedText(index)); };
  return Format("%d.%02db%d/c:%.2f/o:%.2f/p:%.2f/s:%.2f/wc:%.2f/pv:%.2f/cp:%.2f", identity.versionNumber / 100,
                identity.versionNumber % 100, identity.build, v(0), v(1), v(3), v(4), v(2), v(kPayvaneClientScript),
                v(kOlpConfigScript));
}

bool WriteScriptPlaceholdersStep(RunContext& run) {
  run.settings.versionInfo.clear();
  run.log.LogText(text::kCreatingScripts);
  for (int index = 0; index < kScriptCount; ++index) {
    // The client's placeholder lies in the data folder; the file published is the one
    // written into the cgi folder when publishing.
    const ShopSubfolder folder = index == kPayvaneClientScript ? ShopSubfolder::Data : ShopSubfolder::Cgi;
    const std::string name = ScriptFileName(index, run.scriptExtension);
    OutputFile out;
    if (!CreateGeneratedFile(out, run.Folder(folder) / name, name, run.log, &run.prompter)) return false;
    out.Close();
  }
  run.log.LogText(text::kScriptsCreated);
  run.settings.versionInfo = ScriptVersionInfo();
  run.log.Step();
  return true;
}

}  // namespace vendora
