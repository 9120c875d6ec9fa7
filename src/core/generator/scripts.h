#pragma once
// The shop's seven script files: two CGI scripts and five Perl modules, in a fixed
// index order that generation and publishing share. The program carries their bodies
// inside itself (embedded from generator/storefront/) and never changes them; per shop
// it adds the file names, the two-line header of the CGI scripts and the generated
// module olpcnf.pm. A generation run only creates empty placeholders; publishing writes
// each file's full content just before sending it.
#include <filesystem>
#include <string>
#include <string_view>

#include "generator/page_settings.h"

namespace vendora {

class GenerationLog;
struct RunContext;

inline constexpr int kScriptCount = 7;
inline constexpr int kOlpConfigScript = 5;  // olpcnf.pm, generated per shop

// Local file name of script `index` ("catalog.cgi", "order.cgi", "webcode.pm", ...);
// the two CGI scripts take the script extension (".cgi" or ".pl"). Empty for an index
// outside 0 to 6.
std::string ScriptFileName(int index, const std::string& scriptExtension);

// What writing the script files needs. Plain values, so that the upload can write them
// on its own thread after the run has ended.
struct ScriptSettings {
  std::filesystem::path cgiFolder;
  std::string scriptExtension = ".cgi";
  std::string interpreterLine;  // "#!/usr/bin/perl\n", from the web-server check
  std::string storePath;        // normalised, ending in "/"
  bool payvaneInUse = false;
  PreviewSettings::PayvaneValues payvane;  // as corrected by the Payvane check
};

// The values of a finished (or running) generation run.
ScriptSettings ScriptSettingsOf(const RunContext& run);

// The interpreter line, then "#", the require line of the shop's config.cnf and an
// empty line: what precedes the body of the two CGI scripts.
std::string ScriptHeader(const ScriptSettings& settings);

// The full content of script `index` (UTF-8 where merchant values are inside; the
// writer encodes them for the shop's code page).
std::string ScriptContent(const ScriptSettings& settings, int index);

// Writes the full content of script `index` into settings.cgiFolder, replacing the
// file; false on failure. A file that cannot be created is reported in `log` (when
// given) with the lines of any other generated file. Touches no shared state, so it
// may run on the upload's thread.
bool WriteScriptFile(const ScriptSettings& settings, int index, GenerationLog* log = nullptr);

// A script's version from its text: the first "Version " followed by "%d.%d" gives
// major + minor / 100 ("1.3" is 1.03); 0 without it or when the numbers cannot be read.
double ScriptVersion(std::string_view text);

// "1.50b54/c:1.12/o:1.12/p:1.10/s:1.30/wc:1.23/pv:2.00/cp:1.00": the program's version
// and build and the versions of the scripts this program carries.
std::string ScriptVersionInfo();

// Generation step: creates the seven files empty (the card-service client's placeholder
// in the data folder) and puts ScriptVersionInfo() into the run's settings.
bool WriteScriptPlaceholdersStep(RunContext& run);

}  // namespace vendora
