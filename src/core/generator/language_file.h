#pragma once
// data/language.cnf: every visible text of the generated shop as a Perl variable
// "$psz<key>", from the shop's store texts, followed by the generator's credits and the
// version information of the run.

namespace vendora {

struct RunContext;

// Generation step: writes the 156 texts of the key table from the last to the first
// (a text missing from the Language table gives no line), the footer and meta credits
// and $pszMetaVersionInfo with the run's ScriptVersionInfo, then enters the file in the
// data folder's publish list. Texts are quoted so that they read back as stored; the
// "\n" escapes of the double-quoted mail texts stay escapes.
bool WriteLanguageFileStep(RunContext& run);

}  // namespace vendora
