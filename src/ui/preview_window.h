#pragma once
// "Tolm! Vendora - Vorschau": the preview pages in an embedded web view with one button
// per page. Closing it normally leaves its size for PreviewSize; "Im &Browser öffnen"
// (the window's cancel command) hands the frame set to the browser instead.
#include <QDialog>

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

#include "dialogs.h"

class QPushButton;
class QWebEngineView;
class QWebEngineProfile;

namespace vendora {

class PreviewWindow : public QDialog {
  Q_OBJECT
 public:
  PreviewWindow(std::filesystem::path previewFolder, const std::optional<std::array<int, 3>>& size,
                QWidget* parent = nullptr);
  ~PreviewWindow() override;

  PreviewOutcome Outcome() const { return outcome_; }
  const std::vector<QPushButton*>& PageButtons() const { return pageButtons_; }
  QPushButton* BrowserButton() const { return browser_; }
  QWebEngineView* View() const { return view_; }
  // Navigates to a page of the folder, read fresh from the disk.
  void ShowPage(int button);

  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::filesystem::path folder_;
  QWebEngineProfile* profile_;
  QWebEngineView* view_;
  std::vector<QPushButton*> pageButtons_;
  QPushButton* browser_;
  PreviewOutcome outcome_;
};

}  // namespace vendora
