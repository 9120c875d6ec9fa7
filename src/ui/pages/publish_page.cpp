#include "pages/publish_page.h"

#include <utility>

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "dialogs.h"
#include "preview/browser_launcher.h"
#include "preview/preview_run.h"
#include "common/fingerprint.h"
#include "publish/ftp_tls.h"
#include "publish/shop_script_writer.h"
#include "publish/transfer_texts.h"
#include "shopdb/db_error.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

// "&Publizieren" would share Alt+P with the "&Projekt" menu: the button takes Alt+U.
QString PublishCaption() {
  QString caption = Q(ProgramText(text::kPublishButton));
  const int amp = caption.indexOf('&');
  if (amp >= 0 && amp + 2 < caption.size()) caption.remove(amp, 1).insert(amp + 1, '&');
  return caption;
}

}  // namespace

PublishPage::PublishPage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Veröffentlichen "), parent),
      log_(nullptr),
      progress_(nullptr),
      logList_(nullptr, nullptr),
      uploadList_(nullptr) {
  // Generating, its log, the log viewer and the preview.
  auto* generateBox = new QGroupBox(QStringLiteral(" Shop erzeugen "), this);
  log_ = new QListWidget(generateBox);
  log_->setUniformItemSizes(true);
  progress_ = new QProgressBar(generateBox);
  progress_->setRange(0, 18);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  generate_ = new QPushButton(QStringLiteral("&Erzeugen"), generateBox);
  viewLog_ = new QPushButton(QStringLiteral("Protok&oll ansehen"), generateBox);
  preview_ = new QPushButton(QStringLiteral("&Vorschau"), generateBox);
  preview_->setToolTip(QStringLiteral("Erstellt die Vorschauseiten des Shops und zeigt sie an."));
  auto* generateButtons = new QVBoxLayout;
  for (QPushButton* b : {generate_, viewLog_, preview_}) generateButtons->addWidget(b);
  generateButtons->addStretch();
  auto* generateRow = new QHBoxLayout;
  generateRow->addWidget(log_, 1);
  generateRow->addLayout(generateButtons);
  auto* generateLayout = new QVBoxLayout(generateBox);
  generateLayout->addLayout(generateRow, 1);
  generateLayout->addWidget(progress_);

  // The transfer: method and button, last transfer, its log and byte progress.
  auto* transferBox = new QGroupBox(QStringLiteral(" &FTP Fortschritt "), this);
  method_ = new QComboBox(transferBox);
  method_->addItem(QStringLiteral("Aktualisieren der Shop-Daten."));
  method_->addItem(QStringLiteral("Erneute Übertragung des gesamten Shops"));
  lastTransfer_ = new QLabel(transferBox);
  uploadLog_ = new QListWidget(transferBox);
  uploadLog_->setUniformItemSizes(true);
  uploadProgress_ = new QProgressBar(transferBox);
  uploadProgress_->setTextVisible(false);
  uploadProgress_->setValue(0);
  publish_ = new QPushButton(PublishCaption(), transferBox);
  auto* methodRow = new QHBoxLayout;
  methodRow->addWidget(method_, 1);
  methodRow->addWidget(publish_);
  auto* transferLayout = new QVBoxLayout(transferBox);
  transferLayout->addLayout(methodRow);
  transferLayout->addWidget(lastTransfer_);
  transferLayout->addWidget(uploadLog_, 1);
  transferLayout->addWidget(uploadProgress_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(generateBox, 3);
  layout->addWidget(transferBox, 2);

  logList_ = LogList(log_, progress_);
  generationLog_.AddSink(&logList_);
  generationLog_.AddProgress(&logList_);
  uploadList_ = new QueuedLogList(uploadLog_, uploadProgress_, this);
  transferLog_.AddSink(uploadList_);

  connect(generate_, &QPushButton::clicked, this, [this] { Generate(); });
  connect(viewLog_, &QPushButton::clicked, this, &PublishPage::ViewLog);
  connect(preview_, &QPushButton::clicked, this, &PublishPage::Preview);
  connect(publish_, &QPushButton::clicked, this, &PublishPage::Publish);
  ShopChanged();
}

PublishPage::~PublishPage() {
  // The worker writes to this page's lists and reports to it: it ends first.
  closing_ = true;
  driver_.reset();
}

void PublishPage::ShopChanged() {
  driver_.reset();
  reports_.reset();
  generator_.reset();
  ++run_;  // reports of a run for the shop before are dropped
  transferring_ = retryTrusted_ = false;
  ShopManager& manager = context_.manager;
  if (manager.IsShopOpen())
    generator_ = std::make_unique<ShopGenerator>(manager.Database(), manager.Paths(), generationLog_,
                                                 context_.prompter, context_.clock);
  log_->clear();
  uploadList_->Clear();
  progress_->setValue(0);
  uploadProgress_->setValue(0);
  publish_->setText(PublishCaption());
  SetBusy(false);
  lastTransfer_->setText(Q(LastTransferLabel(manager.IsShopOpen() ? ReadLastTransferTime(manager.Database()) : 0)));
  setEnabled(manager.IsShopOpen());
}

void PublishPage::SetBusy(bool busy) {
  generate_->setEnabled(!busy && !transferring_);
  for (QPushButton* b : {viewLog_, preview_}) b->setEnabled(!busy);
  // While a transfer runs the button aborts it.
  publish_->setEnabled(!busy || transferring_);
  method_->setEnabled(!busy && !transferring_);
}

bool PublishPage::Generate() {
  if (!context_.manager.IsShopOpen() || !generator_ || transferring_) return false;
  SetBusy(true);
  generationLog_.SetFileLog(context_.manager.Settings().doFileLog, context_.manager.Paths().logFile);
  bool ok = false;
  try {
    ok = generator_->Start();
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  SetBusy(false);
  return ok;
}

void PublishPage::ViewLog() {
  if (context_.manager.IsShopOpen()) context_.dialogs.ShowLogViewer(context_.manager.Paths().logFile);
}

void PublishPage::Preview() {
  ShopManager& manager = context_.manager;
  if (!manager.IsShopOpen()) return;
  SetBusy(true);
  generationLog_.SetFileLog(manager.Settings().doFileLog, manager.Paths().logFile);
  bool ok = false;
  try {
    ok = BuildPreview(manager.Database(), manager.Paths(), generationLog_, context_.prompter, context_.clock);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  SetBusy(false);
  if (!ok) return;
  const PreviewOutcome outcome =
      context_.dialogs.ShowPreview(manager.Paths().Subfolder(ShopSubfolder::Preview), manager.Settings().previewSize);
  if (outcome.openInBrowser) context_.browser.LaunchBrowser(PreviewFrameSet(manager.Paths()).string());
  else manager.Settings().previewSize = outcome.size;
}

// The worker's reports, each handed to the page's thread as a queued call. Calls made
// on that thread (the start disabling "&Erzeugen") are handled at once. Reports of a run
// that no longer belongs to the page (another shop was opened) are dropped.
class PublishPage::Reports : public UploadObserver {
 public:
  Reports(PublishPage* page, int run) : page_(page), run_(run) {}
  void UpdateLastFtp(std::time_t time) override {
    Queue([=](PublishPage* p) { p->LastTransferMade(time); });
  }
  void BrowseNewShop(const std::string& url) override {
    Queue([=](PublishPage* p) { p->OfferBrowser(url); });
  }
  void EnableGenerate(bool enable) override {
    Queue([=](PublishPage* p) { p->EnableGenerate(enable); });
  }
  void CertificateNotTrusted(const UntrustedCertificate& certificate) override {
    Queue([=](PublishPage* p) { p->CertificateNotTrusted(certificate); });
  }

 private:
  template <class Report>
  void Queue(Report report) {
    auto call = [page = page_, run = run_, report] {
      if (page->run_ == run) report(page);
    };
    if (QThread::currentThread() == page_->thread()) call();
    // Never waits for the page: the worker calls these under its driver's lock.
    else QMetaObject::invokeMethod(page_, call, Qt::QueuedConnection);
  }
  PublishPage* page_;
  int run_;
};

void PublishPage::Publish() {
  if (driver_ && driver_->IsRunning()) {
    driver_->PressPublishButton(static_cast<TransferMethod>(method_->currentIndex()));
    return;
  }
  if (transferring_) return;  // the run has ended; its last reports are on their way
  StartTransfer();
}

bool PublishPage::StartTransfer() {
  ShopManager& manager = context_.manager;
  if (!manager.IsShopOpen() || !generator_) return false;
  const bool fileLog = manager.Settings().doFileLog;
  const ShopPaths& paths = manager.Paths();
  generationLog_.SetFileLog(fileLog, paths.logFile);
  transferLog_.SetFileLog(fileLog, paths.logFile);
  driver_.reset();
  reports_ = std::make_unique<Reports>(this, ++run_);
  FtpClientOptions client;
  // A host key the merchant just confirmed holds for the retry only; then known_hosts has it.
  client.trustedHostKey = std::exchange(trustedHostKey_, std::string());
  driver_ = std::make_unique<UploadDriver>(UploadSetup{manager.Database(), paths.folder, *generator_, context_.prompter,
                                                       context_.clock, transferLog_, *reports_, MakeShopScriptWriter,
                                                       {uploadList_}, uploadList_, fileLog, paths.logFile,
                                                       paths.sentRecord, client});
  SetBusy(true);
  bool started = false;
  try {
    started = driver_->Start(static_cast<TransferMethod>(method_->currentIndex()));
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  if (started) {
    transferring_ = true;
    publish_->setText(Q(ProgramText(text::kAbortPublishButton)));
  }
  SetBusy(false);
  return started;
}

void PublishPage::LastTransferMade(std::time_t time) {
  if (!context_.manager.IsShopOpen()) return;
  StoreLastTransferTime(context_.manager.Database(), time, context_.prompter);
  lastTransfer_->setText(Q(LastTransferLabel(time)));
}

void PublishPage::OfferBrowser(const std::string& url) {
  if (closing_) return;
  OfferPublishedShop(url, context_.prompter, transferLog_,
                     [this](const std::string& address) { context_.browser.LaunchBrowser(address); });
}

void PublishPage::CertificateNotTrusted(const UntrustedCertificate& certificate) {
  if (closing_ || !context_.manager.IsShopOpen()) return;
  if (certificate.sshHostKey) {
    const std::string question = Format(texts::kSftpTrustQuestion, certificate.problem, "~/.ssh/known_hosts");
    if (context_.prompter.AskYesNo(question, Answer::No, MessageIcon::Warning) != Answer::Yes) return;
    trustedHostKey_ = certificate.fingerprint;
    retryTrusted_ = true;
    return;
  }
  const std::string question =
      Format(texts::kFtpTrustQuestion, Format(texts::kFtpCertificateUntrusted, certificate.host, certificate.problem,
                                              ShowFingerprint(certificate.fingerprint)));
  if (context_.prompter.AskYesNo(question, Answer::No, MessageIcon::Warning) != Answer::Yes) return;
  if (!TrustCertificate(context_.manager.Database(), certificate.fingerprint)) return;
  transferLog_.Log(texts::kFtpTrustStored);
  // The merchant trusts it now: the transfer that failed on it goes once more.
  retryTrusted_ = true;
}

void PublishPage::EnableGenerate(bool enable) {
  generate_->setEnabled(enable);
  if (!enable) return;
  transferring_ = false;
  publish_->setText(PublishCaption());
  SetBusy(false);
  // A run that failed on its own says so: a log line alone is easily missed. One the
  // merchant stopped, or that asks to trust a certificate, needs no message.
  if (driver_ && !driver_->Succeeded() && !driver_->AbortRequested() && !retryTrusted_ && !closing_)
    context_.prompter.Show(std::string(texts::kFtpPublishFailed), MessageIcon::Warning);
  if (retryTrusted_ && !closing_) {
    retryTrusted_ = false;
    // Not from inside this report: the driver that sent it may still be on the stack.
    QTimer::singleShot(0, this, [this] {
      if (!transferring_) StartTransfer();
    });
  }
}

bool PublishPage::CanLeave() {
  if (!transferring_) return true;
  context_.prompter.Show(std::string(ProgramText(text::kNoPageChangeDuringTransfer)), MessageIcon::Warning);
  return false;
}

bool PublishPage::CanClose() {
  if (!transferring_) return true;
  if (closing_) return false;  // already waiting for the worker to end
  if (driver_ && driver_->IsRunning()) {
    if (context_.prompter.AskYesNo(std::string(ProgramText(text::kConfirmAbortTransfer)), Answer::No,
                                   MessageIcon::Question) != Answer::Yes)
      return false;
    closing_ = true;
    publish_->setEnabled(false);
    driver_->Abort();
    // The worker stops after its current chunk (or at the server's time-out); the
    // window stays responsive meanwhile.
    QEventLoop wait;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
      if (!driver_->IsRunning()) wait.quit();
    });
    poll.start(20);
    if (driver_->IsRunning()) wait.exec();
    driver_->Wait();
  }
  closing_ = true;
  // The run's last reports (a last-transfer time among them) are handled before the
  // window goes.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
  return true;
}

}  // namespace vendora
