#include "app/program_identity.h"

#include "common/build_info.h"
#include "common/program_text.h"

namespace vendora {

std::optional<ProgramIdentity> MakeProgramIdentity(int major, int minor, int build, int languageId) {
  if (major < 1 || minor < 0 || minor > 99 || languageId <= 0 || build < 0) return std::nullopt;
  return ProgramIdentity{major * 100 + minor, build, languageId};
}

std::optional<ProgramIdentity> CompiledProgramIdentity() {
  return MakeProgramIdentity(VENDORA_VERSION_MAJOR, VENDORA_VERSION_MINOR, VENDORA_BUILD, VENDORA_LANGUAGE_ID);
}

std::string FooterCredit() {
  return Format("Created with <b>%s</b> &copy; %s <a href=\"%s\" target=\"_blank\"><b>%s</b></a>", kProductName,
                kCopyrightYears, kMakerUrl, kMakerName);
}

std::string MetaCredit() { return Format("%s, Copyright (C) %s %s", kProductName, kCopyrightYears, kMakerName); }

std::string_view LanguageName(int languageId) {
  switch (languageId) {
    case 1031: return texts::kLanguageGerman;
    case 1033: return texts::kLanguageEnglish;
    case 3082: return texts::kLanguageSpanish;
    default: return texts::kLanguageUnknown;
  }
}

}  // namespace vendora
