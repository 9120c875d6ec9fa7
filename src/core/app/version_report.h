#pragma once
// What `--version` prints: the program's version as the generated shops carry it, and
// the versions of the libraries a bug report needs (those loaded at run time, which
// may be newer than the ones built against).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vendora {

// "1.50b54": version and build, the form the shop's version string starts with.
std::string ProgramVersionText();

// The report: "Tolm! Vendora 1.50b54 (<program>)", then one line per library, "SQLite
// 3.40.1", "OpenSSL 3.0.19", followed by `extraLibraries` (name, version) such as Qt's.
std::string VersionReport(std::string_view program,
                          const std::vector<std::pair<std::string, std::string>>& extraLibraries = {});

}  // namespace vendora
