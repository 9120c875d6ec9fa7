#pragma once
// A modal progress dialog for long work run on the interface thread (an import, a
// price run over every item): the core reports through ProgressSink and the dialog
// moves. It repaints at most every 40 ms, so a run over hundreds of thousands of rows
// does not spend its time painting, and the cancel button is heard between moves.
#include <QElapsedTimer>
#include <QString>

#include <functional>

#include "common/log.h"

class QProgressDialog;
class QWidget;

namespace vendora {

class ProgressDialogSink : public ProgressSink {
 public:
  // Without `cancellable` the dialog has no cancel button.
  ProgressDialogSink(QWidget* parent, const QString& caption, bool cancellable);
  ~ProgressDialogSink() override;
  ProgressDialogSink(const ProgressDialogSink&) = delete;
  ProgressDialogSink& operator=(const ProgressDialogSink&) = delete;

  void SetProgress(int low, int high, int position) override;
  // Whether the merchant pressed "Abbrechen" (events are taken at most every 40 ms).
  bool Cancelled();
  // Called whenever the dialog moves (tests watch the dialog through it).
  void OnMove(std::function<void(QProgressDialog*, int)> onMove) { onMove_ = std::move(onMove); }

 private:
  void Move(int position);

  QProgressDialog* dialog_;
  QElapsedTimer clock_;
  std::function<void(QProgressDialog*, int)> onMove_;
};

}  // namespace vendora
