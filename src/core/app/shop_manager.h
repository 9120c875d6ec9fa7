#pragma once
// The shop list and the one open shop: choosing, creating, adding, removing, opening,
// compacting and closing shops, with every question asked through the Prompter.
// The company page (or the CLI) calls these and only shows what they decide.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/program_identity.h"
#include "app/settings.h"
#include "app/shop_paths.h"
#include "common/prompter.h"
#include "shopdb/compaction.h"
#include "shopdb/database.h"

namespace vendora {

// Unsaved edits of the page that shows the shop (the company page). Asked before the
// shop is closed for another one.
class PendingEdits {
 public:
  virtual ~PendingEdits() = default;
  virtual bool HasUnsavedChanges() const = 0;
  virtual bool Save() = 0;  // false: saving failed, the change of shop is abandoned
  virtual void Discard() = 0;
};

class ShopManager {
 public:
  ShopManager(ProgramIdentity identity, std::filesystem::path programFolder, Prompter& prompter);
  ~ShopManager();

  void SetPendingEdits(PendingEdits* edits) { pendingEdits_ = edits; }
  void SetCompactFileOps(CompactFileOps ops) { compactOps_ = std::move(ops); }

  // Settings and list
  void LoadSettings(const std::filesystem::path& iniFile);
  bool SaveSettings(const std::filesystem::path& iniFile) const;
  AppSettings& Settings() { return settings_; }
  const std::vector<std::string>& Shops() const { return settings_.shops; }
  int CurrentIndex() const { return settings_.current; }
  std::vector<std::string> ShopDisplayNames() const;
  // Index of the entry naming the same file (IsSameShopFile), or -1.
  int FindShop(const std::filesystem::path& database) const;
  // Index of the entry with that shown name: the exact name first, else one differing
  // only in letter case; -1 when none.
  int FindShopByName(std::string_view name) const;

  // Makes the entry current and opens it. True when it is open afterwards. Cancel on
  // the unsaved-changes question keeps the current shop and returns false.
  bool Choose(int index);
  // Creates a shop in the program folder under the name typed (surrounding blanks
  // are dropped), adds it to the list and chooses it.
  bool CreateShop(std::string_view typedName);
  // Adds an existing shop file (or chooses it when already listed) and chooses it. A
  // file that cannot be opened as a shop is not added, and the shop open before stays.
  bool AddShop(const std::filesystem::path& database);
  // Asks, then removes the entry from the list (its files stay). Closes that shop when
  // it is the open one (after the unsaved-changes question); never opens or changes
  // another shop. True when the entry was removed.
  bool RemoveShop(int index);
  // Compacts the open shop and opens it again. True when the copy was made and the
  // shop is open again; `outcome` tells whether the copy replaced the file.
  bool CompactCurrentShop(CompactOutcome* outcome = nullptr);

  // The opening sequence: write protection, exclusive open, version check and
  // upgrade, language check, store texts, changed flag. On failure nothing stays open.
  bool OpenShopDatabase(const std::filesystem::path& database);
  // Closes the open shop, if any.
  void CloseShop();

  bool IsShopOpen() const { return db_.IsOpen(); }
  ShopDatabase& Database() { return db_; }
  const ShopPaths& Paths() const { return paths_; }
  const ProgramIdentity& Identity() const { return identity_; }
  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  std::string WindowTitle();

  // The name typed last into the new-shop dialog since the program started.
  const std::string& LastNewShopName() const { return lastNewShopName_; }

  // A name is valid when, without surrounding blanks, it is not empty, not "." or "..",
  // contains none of < > | * ? / \ and no control character, and <name>.mdb fits a
  // file name (kMaxFileNameBytes).
  static bool IsValidShopName(std::string_view name);
  // Longest file name the file systems in use take, in bytes.
  static constexpr size_t kMaxFileNameBytes = 255;

 private:
  bool ResolvePendingEdits();
  void ResetToProgramFolder();
  bool AfterOpen();

  ProgramIdentity identity_;
  std::filesystem::path programFolder_;
  Prompter& prompter_;
  PendingEdits* pendingEdits_ = nullptr;
  CompactFileOps compactOps_;
  AppSettings settings_;
  ShopDatabase db_;
  ShopPaths paths_;
  std::string lastNewShopName_;
};

}  // namespace vendora
