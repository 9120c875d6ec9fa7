#pragma once
// The small modal dialogs the pages open. Pages reach them only through this
// interface, so tests run the pages with scripted answers instead of modal loops.
#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace vendora {

class PayvaneLock;

struct PreviewOutcome {
  bool openInBrowser = false;  // closed by the window's cancel command
  std::array<int, 3> size{};   // on a normal close: width, height, maximised (PreviewSize)
};

class UiDialogs {
 public:
  virtual ~UiDialogs() = default;
  // "Neuen Shop erzeugen...": the name typed, or nothing when cancelled.
  virtual std::optional<std::string> AskNewShopName(const std::string& initial) = 0;
  // "&Hinzufügen...": an existing shop file.
  virtual std::optional<std::filesystem::path> ChooseShopFile() = 0;
  // The company logo: a picture file.
  virtual std::optional<std::filesystem::path> ChooseLogoFile() = 0;
  // "Kennwort eingeben" until the password matches (true) or the merchant cancels.
  virtual bool EnterPayvanePassword(PayvaneLock& lock) = 0;
  // "Kennwort ändern" until a new password is stored (true) or the merchant cancels.
  virtual bool ChangePayvanePassword(PayvaneLock& lock, bool hasPassword) = 0;
  // "&Protokoll ansehen".
  virtual void ShowLogViewer(const std::filesystem::path& logFile) = 0;
  // The preview window on the folder's pages, sized as stored.
  virtual PreviewOutcome ShowPreview(const std::filesystem::path& previewFolder,
                                     const std::optional<std::array<int, 3>>& size) = 0;
};

}  // namespace vendora
