#include "log_viewer_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/prompter.h"
#include "generator/log_viewer.h"
#include "ui_text.h"

namespace vendora {

LogViewerDialog::LogViewerDialog(std::filesystem::path logFile, Prompter& prompter, QWidget* parent)
    : QDialog(parent), file_(std::move(logFile)), prompter_(prompter) {
  setWindowTitle(QStringLiteral("Protokoll - ") + QPath(file_.filename()));
  text_ = new QPlainTextEdit(this);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* buttons = new QDialogButtonBox(this);
  save_ = buttons->addButton(QStringLiteral("&Speichern"), QDialogButtonBox::ActionRole);
  delete_ = buttons->addButton(QStringLiteral("&Löschen"), QDialogButtonBox::ActionRole);
  buttons->addButton(QStringLiteral("Schl&ießen"), QDialogButtonBox::RejectRole);
  connect(save_, &QPushButton::clicked, this, &LogViewerDialog::Save);
  connect(delete_, &QPushButton::clicked, this, &LogViewerDialog::Delete);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(text_, &QPlainTextEdit::textChanged, this, [this] { edited_ = true; });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(buttons);
  resize(760, 520);
}

bool LogViewerDialog::Load() {
  const LogView view = OpenLogView(file_, prompter_);
  if (!view.opened) return false;
  if (!view.notice.empty()) prompter_.Show(view.notice, MessageIcon::Information);
  text_->setPlainText(Q(view.text));
  text_->moveCursor(QTextCursor::End);
  edited_ = false;
  return true;
}

void LogViewerDialog::Save() {
  if (SaveLogView(file_, U(text_->toPlainText()), prompter_)) edited_ = false;
}

void LogViewerDialog::Delete() {
  if (!DeleteLogFile(file_, prompter_)) return;
  text_->clear();
  edited_ = false;
}

void LogViewerDialog::done(int result) {
  if (!CloseLogView(file_, U(text_->toPlainText()), edited_, prompter_)) return;
  edited_ = false;
  QDialog::done(result);
}

}  // namespace vendora
