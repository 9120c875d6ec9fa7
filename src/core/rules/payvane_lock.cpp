#include "rules/payvane_lock.h"

#include <crypt.h>

#include <memory>

#include "common/program_text.h"
#include "common/prompter.h"
#include "rules/settings_form.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {
constexpr char kSalt[] = "wK";
constexpr size_t kSaltLength = 2;
constexpr size_t kHashLength = 11;
}  // namespace

std::optional<std::string> PayvanePasswordHash(std::string_view password) {
  // crypt_rn keeps its state in the caller's buffer, not in static storage.
  auto data = std::make_unique<crypt_data>();
  const std::string phrase(password);
  const char* result = crypt_rn(phrase.c_str(), kSalt, data.get(), static_cast<int>(sizeof(crypt_data)));
  if (!result) return std::nullopt;
  const std::string hash(result);
  if (hash.size() != kSaltLength + kHashLength || hash.compare(0, kSaltLength, kSalt) != 0) return std::nullopt;
  return hash.substr(kSaltLength);
}

std::optional<std::string> PayvaneLock::Stored() {
  try {
    return ReadSettingsRow<PasswordRow>(db_).Password;
  } catch (const DbError& e) {
    ShowDbError(prompter_, e);
    return std::nullopt;
  }
}

bool PayvaneLock::HasPassword() {
  const std::optional<std::string> stored = Stored();
  return !stored || !stored->empty();
}

bool PayvaneLock::Check(std::string_view entered) {
  const std::optional<std::string> stored = Stored();
  if (!stored) return false;
  const std::optional<std::string> hash = PayvanePasswordHash(entered);
  if (!hash) {
    prompter_.Show(std::string(texts::kPasswordUnavailable), MessageIcon::Stop);
    return false;
  }
  if (*hash == *stored) return true;
  prompter_.Show(std::string(ProgramText(text::kPayvaneWrongPassword)), MessageIcon::Warning);
  return false;
}

PasswordChange PayvaneLock::Change(std::string_view oldEntry, std::string_view newEntry,
                                   std::string_view confirmation) {
  const std::optional<std::string> stored = Stored();
  if (!stored) return PasswordChange::Failed;
  const std::optional<std::string> oldHash = PayvanePasswordHash(oldEntry);
  const std::optional<std::string> newHash = PayvanePasswordHash(newEntry);
  if (!oldHash || !newHash) {
    prompter_.Show(std::string(texts::kPasswordUnavailable), MessageIcon::Stop);
    return PasswordChange::Failed;
  }
  if (!stored->empty() && *oldHash != *stored) {
    prompter_.Show(std::string(ProgramText(text::kPayvaneWrongOldPassword)), MessageIcon::Warning);
    return PasswordChange::WrongOld;
  }
  if (newEntry.empty() && confirmation.empty()) {
    prompter_.Show(std::string(ProgramText(text::kPayvaneEmptyPassword)), MessageIcon::Warning);
    return PasswordChange::Empty;
  }
  if (newEntry != confirmation) {
    prompter_.Show(std::string(ProgramText(text::kPayvanePasswordsDiffer)), MessageIcon::Warning);
    return PasswordChange::Mismatch;
  }
  if (*newHash == *stored) {
    prompter_.Show(std::string(ProgramText(text::kPayvanePasswordUnchanged)), MessageIcon::Warning);
    return PasswordChange::Unchanged;
  }
  try {
    CRecSetPassword set(db_);
    PasswordRow row = ReadSettingsRow<PasswordRow>(db_);
    row.Password = *newHash;
    WriteSettingsRow(set, row);
    return PasswordChange::Changed;
  } catch (const DbError& e) {
    ShowDbError(prompter_, e);
    return PasswordChange::Failed;
  }
}

}  // namespace vendora
