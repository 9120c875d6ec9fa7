#include "controls/log_list.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QProgressBar>

#include "ui_text.h"

namespace vendora {

namespace {
void Repaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
}  // namespace

void LogList::AddLine(const std::string& line) {
  if (!list_) return;
  list_->addItem(Q(line));
  list_->setCurrentRow(list_->count() - 1);
  list_->scrollToBottom();
  Repaint();
}

void LogList::Clear() {
  if (list_) list_->clear();
}

void LogList::SetProgress(int low, int high, int position) {
  if (!bar_) return;
  bar_->setRange(low, high);
  bar_->setValue(position);
  Repaint();
}

}  // namespace vendora
