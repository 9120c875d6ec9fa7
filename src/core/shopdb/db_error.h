#pragma once
// Database errors. Every failure of the shop database reaches callers as a DbError
// carrying the framework number (which part of the access layer failed), the engine's
// own error code and a German description; the engine's English words travel apart
// from it, for a "Details" section or a log, never inside the message.
#include <stdexcept>
#include <string>

namespace vendora {

class GenerationLog;
class Prompter;

enum class DbFrameworkError {
  None = 0,                   // an error of the engine itself
  EngineInitialization = 2000,
  FieldBinding = 2001,        // a value does not fit its field
  ObjectNotOpen = 2002,       // database or record set not open
};

class DbError : public std::runtime_error {
 public:
  DbError(DbFrameworkError framework, int engineCode, std::string description, std::string engineMessage = {});

  DbFrameworkError framework() const { return framework_; }
  int engineCode() const { return engineCode_; }
  const std::string& description() const { return description_; }
  // What the engine itself said (English), or empty.
  const std::string& engineMessage() const { return engineMessage_; }

 private:
  DbFrameworkError framework_;
  int engineCode_;
  std::string description_;
  std::string engineMessage_;
};

// Engine code used for refusals by the access layer's own checks (text too long,
// required field empty): SQLite's constraint code, as the engine would refuse the same.
inline constexpr int kEngineConstraint = 19;

// Turns an engine error (SQLite result code, extended or primary, and its English
// message) into a DbError with a German description; the English message is kept as
// the error's engineMessage().
DbError TranslateEngineError(int extendedCode, const std::string& engineMessage);

// The report shown in the database error dialog: a prefix naming the framework
// number, then "DAO Fehlernr.: <code>" and the description.
std::string DbErrorReport(const DbError& error);

// Shows the report in the database error dialog (titled kDbErrorTitle), as a user
// action does when the database refuses it; the engine's message goes to its details.
void ShowDbError(Prompter& prompter, const DbError& error);

// Own wording: a database error that ends a writer ("Beim Lesen der Datenbank ist ein
// Fehler aufgetreten: ..." with the engine's description and code).
void LogDatabaseError(GenerationLog& log, const DbError& error);

}  // namespace vendora
