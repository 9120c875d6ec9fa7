#pragma once
// Log lines on stderr and, on a terminal, a progress bar that the lines scroll past.
#include <chrono>
#include <iosfwd>

#include "app/shop_paths.h"
#include "common/clock.h"
#include "common/log.h"

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

struct CliContext;
class ShopDatabase;

// What the commands that work on one shop share: the shop opened, its folders, the run's
// log shown on the terminal (lines and progress) and kept in the shop's log file when
// the merchant asked for one, and the clock.
class ShopRun {
 public:
  explicit ShopRun(CliContext& context);
  // Opens the shop file; false when it cannot be opened (the shop manager has said why).
  bool Open(const std::string& shopFile);

  ShopDatabase& Database();
  const ShopPaths& Paths() const { return paths_; }
  // Clears the progress bar before the command prints its result.
  void Finish() { terminal.Finish(); }

  CliContext& context;
  TerminalLog terminal;
  GenerationLog log;
  SystemClock clock;

 private:
  ShopPaths paths_;
};

}  // namespace vendora
