#include "pages/publish_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "dialogs.h"
#include "preview/browser_launcher.h"
#include "preview/preview_run.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

PublishPage::PublishPage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Veröffentlichen "), parent),
      log_(nullptr),
      progress_(nullptr),
      logList_(nullptr, nullptr) {
  // Generating, its log, the log viewer and the preview.
  auto* generateBox = new QGroupBox(QStringLiteral(" Shop erzeugen "), this);
  log_ = new QListWidget(generateBox);
  log_->setUniformItemSizes(true);
  progress_ = new QProgressBar(generateBox);
  progress_->setRange(0, 18);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  generate_ = new QPushButton(QStringLiteral("&Erzeugen"), generateBox);
  viewLog_ = new QPushButton(QStringLiteral("&Protokoll ansehen"), generateBox);
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

  // The transfer half. It is driven by the upload worker that publishing brings: the
  // start and abort of "&Publizieren"/"A&bbrechen", the worker's events marshalled onto
  // this thread, the byte progress, the last-transfer label's update and the refusal to
  // leave the page while a transfer runs (20055) all belong here. Until then its
  // controls are shown but not usable.
  auto* transferBox = new QGroupBox(QStringLiteral(" &FTP Fortschritt "), this);
  method_ = new QComboBox(transferBox);
  method_->addItem(QStringLiteral("Aktualisieren der Shop-Daten."));
  method_->addItem(QStringLiteral("Erneute Übertragung des gesamten Shops"));
  lastTransfer_ = new QLabel(transferBox);
  uploadLog_ = new QListWidget(transferBox);
  uploadProgress_ = new QProgressBar(transferBox);
  uploadProgress_->setTextVisible(false);
  publish_ = new QPushButton(Q(ProgramText(133)), transferBox);
  publish_->setEnabled(false);
  method_->setEnabled(false);
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

  connect(generate_, &QPushButton::clicked, this, [this] { Generate(); });
  connect(viewLog_, &QPushButton::clicked, this, &PublishPage::ViewLog);
  connect(preview_, &QPushButton::clicked, this, &PublishPage::Preview);
  ShopChanged();
}

PublishPage::~PublishPage() = default;

void PublishPage::ShopChanged() {
  generator_.reset();
  log_->clear();
  uploadLog_->clear();
  progress_->setValue(0);
  ShowLastTransfer();
  setEnabled(context_.manager.IsShopOpen());
}

void PublishPage::ShowLastTransfer() {
  int32_t last = 0;
  if (context_.manager.IsShopOpen()) {
    try {
      last = ReadSettingsRow<OptionsRow>(context_.manager.Database()).LastFTP;
    } catch (const DbError&) {
      // Shown as unknown; the publishing run reports database errors itself.
    }
  }
  const std::string when = last == 0 ? std::string(ProgramText(138)) : FormatLocalTime("%c", last);
  lastTransfer_->setText(Q(FormatProgramText(139, when)));
}

void PublishPage::SetBusy(bool busy) {
  for (QPushButton* b : {generate_, viewLog_, preview_}) b->setEnabled(!busy);
}

bool PublishPage::Generate() {
  ShopManager& manager = context_.manager;
  if (!manager.IsShopOpen()) return false;
  SetBusy(true);
  generationLog_.SetFileLog(manager.Settings().doFileLog, manager.Paths().logFile);
  generator_ = std::make_unique<ShopGenerator>(manager.Database(), manager.Paths(), generationLog_, context_.prompter,
                                               context_.clock);
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

}  // namespace vendora
