#pragma once
// The small modal dialogs the pages open. Pages reach them only through this
// interface, so tests run the pages with scripted answers instead of modal loops.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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
  // A picture file to open (the logo, a category or product picture, a gift wrap);
  // the caption says what it is for.
  virtual std::optional<std::filesystem::path> ChoosePictureFile(std::string_view caption) = 0;
  // A text or CSV file: to read (`save` false) or to write, of the given filter
  // ("Textdateien (*.txt)"); nothing when cancelled.
  virtual std::optional<std::filesystem::path> ChooseDataFile(std::string_view caption, std::string_view filter,
                                                              bool save) = 0;
  // Qt's colour dialog on the current colour (0xRRGGBB); nothing when cancelled.
  virtual std::optional<uint32_t> ChooseColour(uint32_t current) = 0;
  // A name typed into a one-line dialog (a graphic set's); nothing when cancelled.
  virtual std::optional<std::string> AskName(std::string_view caption, std::string_view prompt,
                                             const std::string& initial) = 0;
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
