#include "preview_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "preview/preview_window.h"
#include "ui_text.h"

namespace vendora {

namespace {
// The window's own size when no size is stored; it is also the smallest it may get.
constexpr int kTemplateWidth = 800;
constexpr int kTemplateHeight = 600;
}  // namespace

PreviewWindow::PreviewWindow(std::filesystem::path previewFolder, const std::optional<std::array<int, 3>>& size,
                             QWidget* parent)
    : QDialog(parent), folder_(std::move(previewFolder)) {
  setWindowTitle(Q(kPreviewWindowTitle));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  // An off-the-record profile without cache: a page rebuilt by the next preview run is
  // always read from the disk, never from a cache.
  profile_ = new QWebEngineProfile(this);
  profile_->setHttpCacheType(QWebEngineProfile::NoCache);
  view_ = new QWebEngineView(this);
  view_->setPage(new QWebEnginePage(profile_, view_));
  // Buttons jump between pages; going back through them is not what they are for.
  connect(view_, &QWebEngineView::loadFinished, this, [this] { view_->history()->clear(); });

  // Two rows, so that every caption is whole at the smallest size of the window.
  auto* strip = new QGridLayout;
  const int perRow = static_cast<int>((kPreviewPageButtons.size() + 1) / 2);
  for (size_t i = 0; i < kPreviewPageButtons.size(); ++i) {
    const PreviewPageButton& page = kPreviewPageButtons[i];
    auto* button = new QPushButton(Q(page.caption), this);
    button->setAutoDefault(false);
    button->setEnabled(PreviewPageWritten(folder_, page.file));
    connect(button, &QPushButton::clicked, this, [this, i] { ShowPage(static_cast<int>(i)); });
    strip->addWidget(button, static_cast<int>(i) / perRow, static_cast<int>(i) % perRow);
    pageButtons_.push_back(button);
  }
  strip->setColumnStretch(perRow, 1);
  browser_ = new QPushButton(QStringLiteral("Im &Browser öffnen"), this);
  browser_->setAutoDefault(false);
  browser_->setToolTip(QStringLiteral("Schließt die Vorschau und zeigt sie im Web-Browser."));
  connect(browser_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  strip->addWidget(browser_, 1, perRow + 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(strip);

  setMinimumSize(kTemplateWidth, kTemplateHeight);
  resize(kTemplateWidth, kTemplateHeight);
  if (size && (*size)[2] != 0) setWindowState(windowState() | Qt::WindowMaximized);
  else if (size && (*size)[0] > 0 && (*size)[1] > 0) resize((*size)[0], (*size)[1]);
  ShowPage(0);
}

PreviewWindow::~PreviewWindow() {
  // The page must go before its profile.
  delete view_;
}

void PreviewWindow::ShowPage(int button) {
  if (button < 0 || button >= static_cast<int>(pageButtons_.size())) return;
  const std::filesystem::path file = folder_ / kPreviewPageButtons[static_cast<size_t>(button)].file;
  view_->setUrl(QUrl::fromLocalFile(QPath(file)));
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  // Escape closes like the title bar; only the browser button asks for the browser.
  if (event->key() == Qt::Key_Escape) {
    done(QDialog::Accepted);
    return;
  }
  QDialog::keyPressEvent(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  // The title bar's close is a normal end, which keeps the size.
  event->ignore();
  done(QDialog::Accepted);
}

void PreviewWindow::done(int result) {
  if (result == QDialog::Rejected) {
    outcome_.openInBrowser = true;
  } else {
    const bool maximised = isMaximized();
    const QRect normal = maximised ? normalGeometry() : geometry();
    outcome_.openInBrowser = false;
    outcome_.size = PreviewSizeOnClose(maximised, normal.width(), normal.height());
  }
  QDialog::done(result);
}

}  // namespace vendora
