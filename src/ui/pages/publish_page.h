#pragma once
// " Veröffentlichen ": generating the shop with its log and progress, the log viewer,
// the preview, and the transfer half (method, last transfer, upload log and byte
// progress, "&Publizieren").
#include <memory>

#include "controls/log_list.h"
#include "generator/generation.h"
#include "generator/log.h"
#include "pages/sheet_page.h"

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vendora {

class PublishPage : public SheetPage {
  Q_OBJECT
 public:
  explicit PublishPage(UiContext& context, QWidget* parent = nullptr);
  ~PublishPage() override;

  void ShopChanged() override;

  // "&Erzeugen": the generation run, on this thread, its lines in the page's list.
  bool Generate();
  // "&Protokoll ansehen".
  void ViewLog();
  // The preview run, then the preview window (or the browser).
  void Preview();

  QListWidget* LogLines() const { return log_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* GenerateButton() const { return generate_; }
  QPushButton* ViewLogButton() const { return viewLog_; }
  QPushButton* PreviewButton() const { return preview_; }
  QPushButton* PublishButton() const { return publish_; }
  QLabel* LastTransfer() const { return lastTransfer_; }
  // The last run's file lists and total size: what a transfer publishes.
  const ShopGenerator* Generator() const { return generator_.get(); }

 private:
  void ShowLastTransfer();
  void SetBusy(bool busy);

  QListWidget* log_;
  QProgressBar* progress_;
  QPushButton *generate_, *viewLog_, *preview_;
  QComboBox* method_;
  QLabel* lastTransfer_;
  QListWidget* uploadLog_;
  QProgressBar* uploadProgress_;
  QPushButton* publish_;
  LogList logList_;
  GenerationLog generationLog_;
  std::unique_ptr<ShopGenerator> generator_;
};

}  // namespace vendora
