#pragma once
// A run's log lines in a list and its progress in a bar. The generation runs on the
// window's own thread, so each line and step lets the window repaint before the run
// goes on (the merchant's clicks wait until it is done).
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>

#include "common/log.h"

namespace vendora {

class LogList : public LogSink, public ProgressSink {
 public:
  LogList(QListWidget* list, QProgressBar* bar) : list_(list), bar_(bar) {}
  void AddLine(const std::string& line) override;
  void Clear() override;
  void SetProgress(int low, int high, int position) override;

 private:
  QPointer<QListWidget> list_;
  QPointer<QProgressBar> bar_;
};

}  // namespace vendora
