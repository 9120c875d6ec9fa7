#pragma once
// The password that guards the Payvane settings of the server page. The Password
// table keeps the classic DES crypt(3) of it with the salt "wK", without the salt in
// front (11 characters); an empty value means that none has been set yet.
//
// The dialogs only collect the entries; what is compared, said and stored is decided
// here, and every message goes through the prompter.
#include <optional>
#include <string>
#include <string_view>

namespace vendora {

class Prompter;
class ShopDatabase;

// The stored form of a password: crypt(3) with the salt "wK" (libcrypt), the salt
// removed. nullopt when the system's crypt refuses the DES method.
std::optional<std::string> PayvanePasswordHash(std::string_view password);

enum class PasswordChange {
  Changed,     // the new password is stored
  WrongOld,    // 20091; all three entries are emptied
  Empty,       // 20092
  Mismatch,    // 20093; new and confirmation are emptied
  Unchanged,   // 20094
  Failed,      // crypt or the database failed (shown)
};

class PayvaneLock {
 public:
  PayvaneLock(ShopDatabase& db, Prompter& prompter) : db_(db), prompter_(prompter) {}

  // Whether a password is set. A database error counts as set, so the tab stays locked.
  bool HasPassword();
  // "Kennwort eingeben": true when the entry matches; otherwise shows 20090.
  bool Check(std::string_view entered);
  // "Kennwort ändern": with a password set, the old entry must match it first.
  PasswordChange Change(std::string_view oldEntry, std::string_view newEntry, std::string_view confirmation);

 private:
  std::optional<std::string> Stored();

  ShopDatabase& db_;
  Prompter& prompter_;
};

}  // namespace vendora
