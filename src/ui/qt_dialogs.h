#pragma once
// The real dialogs: Qt's file dialogs and the program's own modal windows.
#include <QPointer>
#include <QWidget>

#include "dialogs.h"

namespace vendora {

class Prompter;

class QtDialogs : public UiDialogs {
 public:
  QtDialogs(Prompter& prompter, QWidget* parent = nullptr) : prompter_(prompter), parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

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

 private:
  Prompter& prompter_;
  QPointer<QWidget> parent_;
};

}  // namespace vendora
