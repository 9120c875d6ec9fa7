#pragma once
// The desktop program under test: a temporary program folder and settings, the shop
// list, the window with scripted message boxes and dialogs, and screenshots.
#include <QString>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shop_manager.h"
#include "rules/settings_form.h"
#include "common/clock.h"
#include "controls/form_controls.h"
#include "dialogs.h"
#include "main_window.h"
#include "preview/browser_launcher.h"
#include "support/test_support.h"
#include "ui_context.h"

class QWidget;

namespace vendora::test {

// Answers the pages' dialogs from queues and records what was asked.
class ScriptedDialogs : public UiDialogs {
 public:
  std::deque<std::optional<std::string>> shopNames, names;
  std::deque<std::optional<std::filesystem::path>> shopFiles, pictureFiles, dataFiles;
  std::deque<std::optional<uint32_t>> colours;
  std::vector<std::string> pictureCaptions;
  // Each password dialog: the entries tried in turn, then cancel (nullopt ends the list).
  std::deque<std::vector<std::string>> passwordEntries;
  std::deque<std::vector<std::array<std::string, 3>>> passwordChanges;
  std::deque<PreviewOutcome> previews;
  int entryDialogs = 0, changeDialogs = 0, logViewers = 0;
  std::vector<std::filesystem::path> previewFolders;

  std::optional<std::string> AskNewShopName(const std::string& initial) override;
  std::optional<std::filesystem::path> ChooseShopFile() override;
  std::optional<std::filesystem::path> ChoosePictureFile(std::string_view caption) override;
  std::optional<std::filesystem::path> ChooseDataFile(std::string_view caption, std::string_view filter,
                                                      bool save) override;
  std::optional<uint32_t> ChooseColour(uint32_t current) override;
  std::optional<std::string> AskName(std::string_view caption, std::string_view prompt,
                                     const std::string& initial) override;
  bool EnterPayvanePassword(PayvaneLock& lock) override;
  bool ChangePayvanePassword(PayvaneLock& lock, bool hasPassword) override;
  void ShowLogViewer(const std::filesystem::path& logFile) override;
  PreviewOutcome ShowPreview(const std::filesystem::path& previewFolder,
                             const std::optional<std::array<int, 3>>& size) override;
};

class RecordingBrowser : public BrowserLauncher {
 public:
  bool LaunchBrowser(const std::string& url) override {
    urls.push_back(url);
    return true;
  }
  std::vector<std::string> urls;
};

// A program folder and settings of its own ($VENDORA_HOME, $XDG_CONFIG_HOME), the
// shop list and, on demand, the window.
class DesktopFixture {
 public:
  DesktopFixture();
  ~DesktopFixture();

  // A fresh shop file in the temp folder, added to the list and opened through the
  // company page's list operation.
  std::filesystem::path AddShop(const std::string& name);
  // The German demo shop (few products), added and opened.
  std::filesystem::path AddDemoShop(int products = 4);
  // The demo shop opened without the window: a page under test stands alone.
  void OpenDemoShop(int products = 4);
  // A generation run as the publish page starts it.
  bool Generate();

  MainWindow& Window();
  ShopDatabase& Db() { return manager.Database(); }

  TempDir temp;
  ScriptedPrompter prompter;
  ScriptedDialogs dialogs;
  FixedClock clock{1700000000};
  RecordingBrowser browser;
  ShopManager manager;
  UiContext context;

 private:
  std::unique_ptr<MainWindow> window_;
};

// Puts the text into the field's editor as the merchant would: typed into a line or
// text edit, "1"/"0" for a check box, the index for a chooser.
void Type(FormControls& form, std::string_view field, const std::string& text);

// The row's stored value of a field as text: numbers in decimal, flags "1"/"0".
std::string StoredText(const std::vector<NamedFieldRef>& row, std::string_view field);
template <class Row>
std::string Stored(Row row, std::string_view field) {
  return StoredText(RowFieldRefs(row), field);
}

// Writes the widget's picture as <build>/screenshots/<name>.png and returns the path.
std::filesystem::path Screenshot(QWidget* widget, const std::string& name);

// Lets queued events (layouts, paints, deferred deletes) run.
void Settle(int milliseconds = 0);
// Lets events run until `done` holds; false when it still does not after `milliseconds`.
bool WaitFor(const std::function<bool()>& done, int milliseconds);

}  // namespace vendora::test
