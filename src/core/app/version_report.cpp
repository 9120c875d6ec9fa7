#include "app/version_report.h"

#include <openssl/crypto.h>
#include <sqlite3.h>

#include "app/program_identity.h"
#include "common/text_format.h"

namespace vendora {

std::string ProgramVersionText() {
  const ProgramIdentity identity = CompiledProgramIdentity().value_or(ProgramIdentity{});
  return Format("%d.%02db%d", identity.versionNumber / 100, identity.versionNumber % 100, identity.build);
}

std::string VersionReport(std::string_view program,
                          const std::vector<std::pair<std::string, std::string>>& extraLibraries) {
  std::string report = Format("%s %s (%s)\n", kProductName, ProgramVersionText(), program);
  report += Format("SQLite %s\n", sqlite3_libversion());
  report += Format("OpenSSL %s\n", OpenSSL_version(OPENSSL_VERSION_STRING));
  for (const auto& [name, version] : extraLibraries) report += name + " " + version + "\n";
  return report;
}

}  // namespace vendora
