#pragma once
// " Veröffentlichen ": generating the shop with its log and progress, the log viewer,
// the preview, and the transfer: "&Publizieren" with the transfer method, the upload
// log and byte progress, the last-transfer label, and "A&bbrechen" while it runs.
//
// The transfer runs on the upload driver's worker thread. Its lines and progress, and
// its three reports (last transfer, browser offer, "&Erzeugen" again), reach this page
// as queued calls on the window's thread; nothing here is touched from the worker.
// From the start until the last report has been handled the page counts as
// transferring: it cannot be left (20055), and the window closes only after the
// merchant agreed to abort and the worker has ended.
#include <ctime>
#include <memory>
#include <string>

#include "controls/log_list.h"
#include "controls/queued_log_list.h"
#include "generator/generation.h"
#include "common/log.h"
#include "pages/sheet_page.h"
#include "publish/upload_driver.h"

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
  // Aborts a running transfer and waits for its worker.
  ~PublishPage() override;

  void ShopChanged() override;
  bool CanLeave() override;
  bool CanClose() override;

  // "&Erzeugen": the generation run, on this thread, its lines in the page's list.
  bool Generate();
  // "&Protokoll ansehen".
  void ViewLog();
  // The preview run, then the preview window (or the browser).
  void Preview();
  // "&Publizieren": starts the transfer with the chosen method; while one runs, asks
  // whether to abort it ("A&bbrechen").
  void Publish();

  // From the start of a transfer until its last report has been handled here.
  bool Transferring() const { return transferring_; }

  QListWidget* LogLines() const { return log_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* GenerateButton() const { return generate_; }
  QPushButton* ViewLogButton() const { return viewLog_; }
  QPushButton* PreviewButton() const { return preview_; }
  QPushButton* PublishButton() const { return publish_; }
  QComboBox* Method() const { return method_; }
  QLabel* LastTransfer() const { return lastTransfer_; }
  QListWidget* UploadLines() const { return uploadLog_; }
  QProgressBar* UploadProgress() const { return uploadProgress_; }
  // The last run's file lists and total size: what a transfer publishes.
  const ShopGenerator* Generator() const { return generator_.get(); }

 private:
  class Reports;

  void SetBusy(bool busy);
  bool StartTransfer();
  // The worker's reports, on this thread.
  void LastTransferMade(std::time_t time);
  void OfferBrowser(const std::string& url);
  void CertificateNotTrusted(const UntrustedCertificate& certificate);
  void EnableGenerate(bool enable);

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
  // The transfer's lines: the start banner and FTP check from this thread, the
  // worker's upload log from its own.
  QueuedLogList* uploadList_;
  GenerationLog transferLog_;
  std::unique_ptr<ShopGenerator> generator_;
  std::unique_ptr<UploadObserver> reports_;
  // Declared last: it ends (and joins its worker) before what the worker writes to.
  std::unique_ptr<UploadDriver> driver_;
  std::string trustedHostKey_;  // confirmed by the merchant, for the next run
  int run_ = 0;  // counts the transfers started and the shops shown
  bool transferring_ = false;
  bool closing_ = false;      // no more questions: the window is going
  bool retryTrusted_ = false; // a certificate was trusted just now: publish once more
};

}  // namespace vendora
