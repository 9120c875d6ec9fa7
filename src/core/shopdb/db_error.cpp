#include "shopdb/db_error.h"

#include <sqlite3.h>

#include "common/program_text.h"
#include "common/log.h"
#include "common/prompter.h"
#include "common/text_format.h"

namespace vendora {

DbError::DbError(DbFrameworkError framework, int engineCode, std::string description, std::string engineMessage)
    : std::runtime_error(description),
      framework_(framework),
      engineCode_(engineCode),
      description_(std::move(description)),
      engineMessage_(std::move(engineMessage)) {}

DbError TranslateEngineError(int extendedCode, const std::string& engineMessage) {
  int primary = extendedCode & 0xFF;
  std::string text;
  DbFrameworkError framework = DbFrameworkError::None;
  switch (primary) {
    case SQLITE_NOTADB:
      text = "Die Datei ist keine Shop-Datenbank.";
      break;
    case SQLITE_CORRUPT:
      text = "Die Shop-Datenbank ist beschädigt.";
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      text = "Die Shop-Datenbank wird gerade von einem anderen Programm verwendet.";
      break;
    case SQLITE_CANTOPEN:
      text = "Die Shop-Datenbank kann nicht geöffnet werden.";
      framework = DbFrameworkError::EngineInitialization;
      break;
    case SQLITE_READONLY:
      text = "Die Shop-Datenbank ist schreibgeschützt.";
      break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      text = "Der Zugriff auf die Shop-Datenbank wurde verweigert.";
      break;
    case SQLITE_FULL:
      text = "Der Datenträger ist voll; die Änderung wurde nicht gespeichert.";
      break;
    case SQLITE_IOERR:
      text = "Beim Lesen oder Schreiben der Shop-Datenbank trat ein Ein-/Ausgabefehler auf.";
      break;
    case SQLITE_NOMEM:
      text = "Für diese Datenbankoperation reicht der Speicher nicht aus.";
      break;
    case SQLITE_CONSTRAINT:
      if (extendedCode == SQLITE_CONSTRAINT_FOREIGNKEY)
        text = "Die Änderung verletzt eine Beziehung zwischen den Tabellen: ein Datensatz wird noch "
               "verwendet oder der angegebene Bezug existiert nicht.";
      else if (extendedCode == SQLITE_CONSTRAINT_NOTNULL)
        text = "Ein erforderliches Feld wurde nicht ausgefüllt.";
      else if (extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY || extendedCode == SQLITE_CONSTRAINT_UNIQUE)
        text = "Ein Datensatz mit diesem Schlüssel ist bereits vorhanden.";
      else
        text = "Ein Feldwert ist für dieses Feld nicht zulässig.";
      break;
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
      text = "Ein Wert passt nicht zum Typ des Feldes.";
      framework = DbFrameworkError::FieldBinding;
      break;
    case SQLITE_MISUSE:
      text = "Die Datenbank ist nicht geöffnet.";
      framework = DbFrameworkError::ObjectNotOpen;
      break;
    default:
      text = "Bei der Datenbankoperation trat ein Fehler auf.";
      break;
  }
  return DbError(framework, extendedCode, text, engineMessage);
}

std::string DbErrorReport(const DbError& error) {
  const char* prefix = "NO_AFX_DAO_ERROR\r\n\r\n";
  switch (error.framework()) {
    case DbFrameworkError::None: break;
    case DbFrameworkError::EngineInitialization: prefix = "AFX_DAO_ERROR_ENGINE_INITIALIZATION\r\n\r\n"; break;
    case DbFrameworkError::FieldBinding: prefix = "AFX_DAO_ERROR_DFX_BIND\r\n\r\n"; break;
    case DbFrameworkError::ObjectNotOpen: prefix = "AFX_DAO_ERROR_OBJECT_NOT_OPEN\r\n\r\n"; break;
  }
  return Format(texts::kDbErrorBody, prefix, error.engineCode(), error.description());
}

void ShowDbError(Prompter& prompter, const DbError& error) {
  prompter.Ask({DbErrorReport(error), MessageButtons::Ok, MessageIcon::Warning, Answer::Ok,
                std::string(texts::kDbErrorTitle), error.engineMessage()});
}

void LogDatabaseError(GenerationLog& log, const DbError& error) {
  log.Log(Format("Beim Lesen der Datenbank ist ein Fehler aufgetreten: %s (DAO Fehlernr.: %d).", error.description(),
                 error.engineCode()));
}

}  // namespace vendora
