#pragma once
// A run's log lines in a list and its progress in a bar, fed from any thread: the
// upload worker writes its lines here while the window goes on. Lines, clears and
// progress are shown on the list's thread, in the order they came; from that thread
// they show at once (after anything still on its way). Lines that arrive while a
// batch is waiting join it, and only the latest progress is shown, so a fast transfer
// never floods the window with events.
#include <QObject>
#include <QPointer>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"

class QListWidget;
class QProgressBar;

namespace vendora {

class QueuedLogList : public QObject, public LogSink, public ProgressSink {
  Q_OBJECT
 public:
  // Lives on the thread of `list`.
  QueuedLogList(QListWidget* list, QProgressBar* bar, QObject* parent = nullptr);

  void AddLine(const std::string& line) override;
  void Clear() override;
  void SetProgress(int low, int high, int position) override;

  // Shows what is waiting; on the list's thread.
  void Flush();

 private:
  struct Entry {
    bool clear = false;
    std::string line;
  };
  struct Progress {
    int low, high, position;
  };
  void Post(std::optional<Entry> entry, std::optional<Progress> progress);

  QPointer<QListWidget> list_;
  QPointer<QProgressBar> bar_;
  std::mutex mutex_;
  std::vector<Entry> pending_;
  std::optional<Progress> progress_;
  bool posted_ = false;
};

}  // namespace vendora
