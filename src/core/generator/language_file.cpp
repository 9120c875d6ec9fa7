#include "generator/language_file.h"

#include <unordered_map>

#include "app/program_identity.h"
#include "common/output_file.h"
#include "generator/perl_literal.h"
#include "generator/run_context.h"
#include "shopdb/db_error.h"
#include "shopdb/store_texts.h"

namespace vendora {

bool WriteLanguageFileStep(RunContext& run) {
  run.log.LogText(text::kCreatingLanguageFile);
  OutputFile out;
  if (!CreateGeneratedFile(out, run.Folder(ShopSubfolder::Data) / "language.cnf", "data/language.cnf", run.log,
                           &run.prompter))
    return false;
  std::unordered_map<int32_t, std::string> texts;
  try {
    CRecSetLanguage language(run.db);
    language.ForEach([&](const LanguageRow& row) { texts.emplace(row.ID, row.Text); });
  } catch (const DbError& e) {
    LogDatabaseError(run.log, e);
    out.Close();
    return false;
  }

  const auto keys = StoreTextKeys().first(kLanguageFileTextCount);
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const auto text = texts.find(key->textId);
    if (text == texts.end()) continue;
    const std::string literal = key->doubleQuoted ? PerlDoubleQuotedText(text->second) : PerlQ(text->second);
    out.Write(Format("$psz%s = %s;\n", key->key, literal));
  }
  out.Write(Format("$pszFootCopyRight = %s;\n", PerlQ(FooterCredit())));
  out.Write(Format("$pszMetaCopyRight = %s;\n", PerlQ(MetaCredit())));
  out.Write(Format("$pszMetaVersionInfo = %s;\n", PerlQ(run.settings.versionInfo)));
  out.WriteBytes("\n1;\n");
  if (!FinishGeneratedFile(out, "data/language.cnf", run.log)) return false;
  run.log.LogText(text::kLanguageFileCreated);
  run.files.AddPublish(ShopSubfolder::Data, "language.cnf");
  run.log.Step();
  return true;
}

}  // namespace vendora
