#pragma once
// Log lines on stderr and, on a terminal, a progress bar that the lines scroll past.
#include <chrono>
#include <iosfwd>

#include "generator/log.h"

namespace vendora {

class TerminalLog : public LogSink, public ProgressSink {
 public:
  TerminalLog(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  void AddLine(const std::string& line) override;
  void SetProgress(int low, int high, int position) override;
  // Clears the bar before the command prints its result.
  void Finish();

 private:
  void Draw();
  std::ostream& err_;
  bool terminal_;
  int low_ = 0, high_ = 1, position_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace vendora
