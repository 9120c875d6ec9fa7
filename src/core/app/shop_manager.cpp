#include "app/shop_manager.h"

#include <system_error>

#include "common/file_name.h"
#include "common/program_text.h"
#include "common/text_util.h"
#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "shopdb/store_texts.h"

namespace vendora {

namespace fs = std::filesystem;

ShopManager::ShopManager(ProgramIdentity identity, fs::path programFolder, Prompter& prompter)
    : identity_(identity),
      programFolder_(std::move(programFolder)),
      prompter_(prompter),
      compactOps_(RealCompactFileOps()),
      paths_(ProgramFolderPaths(programFolder_)) {}

ShopManager::~ShopManager() { CloseShop(); }

void ShopManager::LoadSettings(const fs::path& iniFile) {
  settings_ = LoadAppSettings(iniFile, identity_.languageId);
}

bool ShopManager::SaveSettings(const fs::path& iniFile) const {
  return SaveAppSettings(iniFile, identity_.languageId, settings_);
}

std::vector<std::string> ShopManager::ShopDisplayNames() const {
  std::vector<std::string> names;
  for (const auto& s : settings_.shops) names.push_back(ShopDisplayName(s));
  return names;
}

int ShopManager::FindShop(const fs::path& database) const {
  for (size_t i = 0; i < settings_.shops.size(); ++i)
    if (IsSameShopFile(settings_.shops[i], database)) return static_cast<int>(i);
  return -1;
}

int ShopManager::FindShopByName(std::string_view name) const {
  // "Laden" and "laden" may both be listed: the name as typed wins over one in other letters.
  for (size_t i = 0; i < settings_.shops.size(); ++i)
    if (ShopDisplayName(settings_.shops[i]) == name) return static_cast<int>(i);
  for (size_t i = 0; i < settings_.shops.size(); ++i)
    if (EqualsNoCase(ShopDisplayName(settings_.shops[i]), name)) return static_cast<int>(i);
  return -1;
}

bool ShopManager::IsValidShopName(std::string_view name) {
  std::string_view t = Trim(name);
  // The name becomes the shop's folder and file name and a line of the settings file.
  if (!IsPlainFileName(t) || t.find_first_of("<>|*?") != std::string_view::npos) return false;
  return t.size() + kShopFileExtension.size() <= kMaxFileNameBytes;
}

bool ShopManager::ResolvePendingEdits() {
  if (!pendingEdits_ || !pendingEdits_->HasUnsavedChanges()) return true;
  switch (prompter_.AskYesNoCancel(std::string(texts::kSaveCompanyChanges))) {
    case Answer::Yes: return pendingEdits_->Save();
    case Answer::No: pendingEdits_->Discard(); return true;
    default: return false;
  }
}

void ShopManager::ResetToProgramFolder() { paths_ = ProgramFolderPaths(programFolder_); }

void ShopManager::CloseShop() {
  db_.Close();
  ResetToProgramFolder();
}

bool ShopManager::AfterOpen() {
  paths_ = DeriveShopPaths(db_.Path());
  // A missing subfolder is made again; one that cannot be made shows up when the
  // generator needs it.
  CreateShopFolders(paths_);
  return true;
}

bool ShopManager::Choose(int index) {
  if (index < 0 || index >= static_cast<int>(settings_.shops.size())) return false;
  if (index == settings_.current && db_.IsOpen()) return true;
  if (!ResolvePendingEdits()) return false;
  CloseShop();
  settings_.current = index;
  if (OpenShopDatabase(settings_.shops[static_cast<size_t>(index)])) return AfterOpen();
  settings_.current = -1;
  ResetToProgramFolder();
  return false;
}

bool ShopManager::CreateShop(std::string_view typedName) {
  lastNewShopName_ = std::string(typedName);
  if (!IsValidShopName(typedName)) {
    prompter_.Show(Format(texts::kShopNameInvalid, typedName), MessageIcon::Stop);
    return false;
  }
  const std::string name(Trim(typedName));
  const fs::path folder = NormalShopPath(programFolder_ / name);
  std::error_code ec;
  const bool folderExisted = fs::exists(fs::symlink_status(folder, ec));
  if ((folderExisted && !fs::is_directory(folder, ec)) ||
      (fs::create_directories(folder, ec), !fs::is_directory(folder, ec))) {
    prompter_.Show(Format(texts::kFolderNotCreated, folder.string()), MessageIcon::Stop);
    return false;
  }
  fs::path database = folder / (name + std::string(kShopFileExtension));
  // What a failed creation leaves is removed again: the folder if it was made here,
  // else the unusable new file.
  auto undo = [&] {
    std::error_code ignored;
    if (!folderExisted) {
      fs::remove_all(folder, ignored);
      return;
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(database.string() + suffix, ignored);
  };
  if (fs::exists(database, ec)) {
    if (prompter_.AskYesNo(Format(texts::kOverwriteShop, database.string()), Answer::No) != Answer::Yes) return false;
    if (db_.IsOpen() && fs::equivalent(db_.Path(), database, ec)) CloseShop();
    fs::remove(database, ec);
    if (ec || fs::exists(database)) {
      prompter_.Show(Format("Die Datei '%s' konnte nicht gelöscht werden.", database.string()), MessageIcon::Stop);
      return false;
    }
    // A journal left by the deleted file must not be replayed into the new one.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) fs::remove(database.string() + suffix, ec);
  }
  if (!CreateShopFolders(DeriveShopPaths(database))) {
    undo();
    prompter_.Show(Format(texts::kFolderNotCreated, folder.string()), MessageIcon::Stop);
    return false;
  }
  bool created = false;
  try {
    ShopDatabase fresh;
    fresh.OpenOrCreate(database);
    created = CreateShopSchema(fresh, identity_.versionNumber).ok;
  } catch (const DbError&) {
    created = false;
  }
  if (!created) {
    undo();
    prompter_.Show(std::string(texts::kShopCreationFailed), MessageIcon::Stop);
    return false;
  }
  prompter_.Show(Format(texts::kShopCreated, name), MessageIcon::Information);
  int index = FindShop(database);
  if (index < 0) {
    settings_.shops.push_back(database.string());
    index = static_cast<int>(settings_.shops.size()) - 1;
  }
  return Choose(index);
}

bool ShopManager::AddShop(const fs::path& database) {
  std::error_code ec;
  if (!fs::is_regular_file(database, ec)) {
    prompter_.Show(Format(texts::kShopFileMissing, database.string()), MessageIcon::Stop);
    return false;
  }
  const int listed = FindShop(database);
  if (listed >= 0) return Choose(listed);
  const int previous = settings_.current;
  settings_.shops.push_back(NormalShopPath(database).string());
  const int index = static_cast<int>(settings_.shops.size()) - 1;
  if (Choose(index)) return true;
  // A file that cannot be opened as a shop is not added; the shop open before is
  // opened again (the attempt had to close it).
  if (settings_.shops.size() == static_cast<size_t>(index) + 1) settings_.shops.pop_back();
  if (settings_.current == index) settings_.current = -1;
  if (previous >= 0 && previous < index && !db_.IsOpen()) Choose(previous);
  return false;
}

bool ShopManager::RemoveShop(int index) {
  if (index < 0 || index >= static_cast<int>(settings_.shops.size())) return false;
  const std::string removed = settings_.shops[static_cast<size_t>(index)];
  if (prompter_.AskYesNo(Format(texts::kRemoveShopQuestion, ShopDisplayName(removed)), Answer::No) != Answer::Yes)
    return false;
  const bool isOpen = db_.IsOpen() && IsSameShopFile(db_.Path(), removed);
  if (isOpen && !ResolvePendingEdits()) return false;
  // Only the removed shop is closed; no other shop is opened in its place, since
  // opening upgrades and rewrites a shop the merchant did not ask for.
  if (isOpen) CloseShop();
  settings_.shops.erase(settings_.shops.begin() + index);
  if (settings_.current == index) settings_.current = -1;
  else if (settings_.current > index) --settings_.current;
  return true;
}

bool ShopManager::CompactCurrentShop(CompactOutcome* outcome) {
  if (!db_.IsOpen()) {
    prompter_.Show(std::string(texts::kNoShopOpen), MessageIcon::Stop);
    return false;
  }
  if (!ResolvePendingEdits()) return false;
  const fs::path database = db_.Path();
  CloseShop();
  bool compacted = true;
  try {
    CompactOutcome result = CompactDatabaseFile(database, compactOps_);
    if (outcome) *outcome = result;
  } catch (const DbError& e) {
    ShowDbError(prompter_, e);
    compacted = false;
  }
  if (OpenShopDatabase(database)) {
    AfterOpen();
    return compacted;
  }
  settings_.current = -1;
  return false;
}

bool ShopManager::OpenShopDatabase(const fs::path& database) {
  db_.Close();  // closing cannot fail here: the engine finalises everything it holds
  std::error_code ec;
  if (!fs::is_regular_file(database, ec)) {
    prompter_.Show(Format(texts::kShopFileMissing, database.string()), MessageIcon::Stop);
    return false;
  }
  auto perms = fs::status(database, ec).permissions();
  if (!ec && (perms & fs::perms::owner_write) == fs::perms::none) {
    if (prompter_.AskYesNo(std::string(texts::kWriteProtectedQuestion), Answer::Yes) != Answer::Yes) {
      prompter_.Show(Format(texts::kShopStaysWriteProtected, database.string()), MessageIcon::Stop);
      return false;
    }
    fs::permissions(database, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) {
      prompter_.Show(Format(texts::kShopStaysWriteProtected, database.string()), MessageIcon::Stop);
      return false;
    }
  }
  try {
    db_.Open(database, /*exclusive=*/true);
    const int stored = ReadStoredVersion(db_);
    if (stored == 0 || stored > identity_.versionNumber) {
      db_.Close();
      prompter_.Show(std::string(texts::kVersionMismatch), MessageIcon::Stop);
      return false;
    }
    if (stored < identity_.versionNumber) UpgradeShopSchema(db_, identity_.versionNumber);
    else AddLaterProgramFields(db_);

    CRecSetLangID lang(db_);
    lang.Open();
    const int shopLanguage = lang.IsEOF() ? 0 : lang->LangID.value_or(kAnyLanguageMarker);
    if (shopLanguage != kAnyLanguageMarker && shopLanguage != identity_.languageId) {
      std::string question =
          Format(texts::kLanguageMismatch, LanguageName(shopLanguage), LanguageName(identity_.languageId));
      if (prompter_.AskYesNo(std::move(question), Answer::No) != Answer::Yes) {
        db_.Close();
        return false;
      }
    }
    if (!lang.IsEOF() && lang->LangID != identity_.languageId) {
      lang.Edit();
      lang->LangID = identity_.languageId;
      lang.Update();
    }
  } catch (const DbError& e) {
    db_.Close();
    prompter_.Show(e.description(), MessageIcon::Stop);
    return false;
  }
  try {
    RefreshStoreTexts(db_);
  } catch (const DbError&) {
    // Store texts that could not be written keep their old wording.
  }
  SetDatabaseChanged(true);
  return true;
}

std::string ShopManager::WindowTitle() {
  if (!db_.IsOpen()) return std::string(texts::kWindowTitle);
  std::string name;
  try {
    CRecSetCompany company(db_);
    company.Open();
    if (!company.IsEOF()) name = company->StoreName;
  } catch (const DbError&) {
  }
  // A fresh row keeps a single blank in the required name: that is no name either.
  if (Trim(name).empty()) name = db_.Path().filename().string();
  return Format(texts::kWindowTitleWithShop, name);
}

}  // namespace vendora
