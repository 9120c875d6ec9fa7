#include "controls/progress_dialog.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace vendora {

namespace {
constexpr qint64 kRepaintMs = 40;
}

ProgressDialogSink::ProgressDialogSink(QWidget* parent, const QString& caption, bool cancellable)
    : dialog_(new QProgressDialog(caption, cancellable ? QStringLiteral("Abbrechen") : QString(), 0, 0, parent)) {
  dialog_->setWindowTitle(QStringLiteral("Vendora"));
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  clock_.start();
}

ProgressDialogSink::~ProgressDialogSink() { delete dialog_; }

void ProgressDialogSink::SetProgress(int low, int high, int position) {
  if (dialog_->minimum() != low || dialog_->maximum() != high) {
    dialog_->setRange(low, high);
    Move(position);
    return;
  }
  if (position == high || clock_.elapsed() >= kRepaintMs) Move(position);
}

bool ProgressDialogSink::Cancelled() {
  if (clock_.elapsed() >= kRepaintMs) {
    QCoreApplication::processEvents();
    clock_.restart();
  }
  return dialog_->wasCanceled();
}

void ProgressDialogSink::Move(int position) {
  dialog_->setValue(position);
  QCoreApplication::processEvents();
  clock_.restart();
  if (onMove_) onMove_(dialog_, position);
}

}  // namespace vendora
