#include "controls/queued_log_list.h"

#include <QListWidget>
#include <QProgressBar>
#include <QStringList>
#include <QThread>

#include "ui_text.h"

namespace vendora {

QueuedLogList::QueuedLogList(QListWidget* list, QProgressBar* bar, QObject* parent)
    : QObject(parent), list_(list), bar_(bar) {}

void QueuedLogList::AddLine(const std::string& line) { Post(Entry{false, line}, std::nullopt); }

void QueuedLogList::Clear() { Post(Entry{true, {}}, std::nullopt); }

void QueuedLogList::SetProgress(int low, int high, int position) {
  Post(std::nullopt, Progress{low, high, position});
}

void QueuedLogList::Post(std::optional<Entry> entry, std::optional<Progress> progress) {
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    if (entry) pending_.push_back(std::move(*entry));
    if (progress) progress_ = progress;
    post = !posted_;
    posted_ = true;
  }
  if (QThread::currentThread() == thread()) Flush();
  // Never waits for this thread: the worker may hold its driver's lock.
  else if (post) QMetaObject::invokeMethod(this, &QueuedLogList::Flush, Qt::QueuedConnection);
}

void QueuedLogList::Flush() {
  std::vector<Entry> entries;
  std::optional<Progress> progress;
  {
    std::lock_guard lock(mutex_);
    entries.swap(pending_);
    progress.swap(progress_);
    posted_ = false;
  }
  if (list_ && !entries.empty()) {
    QStringList batch;
    for (Entry& e : entries) {
      if (e.clear) {
        batch.clear();
        list_->clear();
      } else {
        batch.push_back(Q(e.line));
      }
    }
    if (!batch.isEmpty()) {
      list_->addItems(batch);
      list_->setCurrentRow(list_->count() - 1);
      list_->scrollToBottom();
    }
  }
  if (bar_ && progress) {
    bar_->setRange(progress->low, progress->high);
    bar_->setValue(progress->position);
  }
}

}  // namespace vendora
