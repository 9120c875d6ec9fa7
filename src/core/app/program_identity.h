#pragma once
// The program's own identity: version number (major * 100 + minor), build and language.
#include <optional>
#include <string>
#include <string_view>

namespace vendora {

struct ProgramIdentity {
  int versionNumber = 0;  // 150 for release 1.50
  int build = 0;
  int languageId = 0;  // 1031 German, 1033 English, 3082 Spanish
};

// The credits every generated shop carries. The address is this program's own.
inline constexpr std::string_view kProductName = "Tolm! Vendora";
inline constexpr std::string_view kMakerName = "Tolm!";
inline constexpr std::string_view kMakerUrl = "http://www.vendora.example/";
inline constexpr std::string_view kCopyrightYears = "1999-2025";
// HTML for the foot of the shop's pages: the product in bold, the years and a link to
// the maker's site opening in a new window.
std::string FooterCredit();
// One plain line naming product, maker and years, for a meta element.
std::string MetaCredit();

// The language marker with which a shop opens in any program language.
inline constexpr int kAnyLanguageMarker = 0x4A4D4120;

// Checks the version parts (major at least 1, minor at most 99, a language given);
// nullopt when they are unusable.
std::optional<ProgramIdentity> MakeProgramIdentity(int major, int minor, int build, int languageId);

// The identity this program was built with. nullopt only for a broken build; the
// caller then shows texts::kVersionInfoUnreadable and ends.
std::optional<ProgramIdentity> CompiledProgramIdentity();

// "Deutsch", "Englisch", "Spanisch" or "Unbekannt".
std::string_view LanguageName(int languageId);

}  // namespace vendora
