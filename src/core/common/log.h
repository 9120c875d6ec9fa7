#pragma once
// The log of a generation or upload run: lines by program text number or as ready
// text, shown in the page's list (sinks), appended to the shop's log file when
// "DoFileLog" is on, and the progress bars the run drives.
//
// Threading: a run writes to its log from one thread, but another thread may add a
// line meanwhile (the abort of an upload): lines and progress are serialised. Sinks
// are called on the writing thread while the log's lock is held; a sink may write to
// the log itself, but must not wait for another thread that might be writing to it.
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/program_text.h"

namespace vendora {

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void AddLine(const std::string& line) = 0;
  virtual void Clear() {}
};

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetProgress(int low, int high, int position) = 0;
};

// Keeps the lines in memory (tests, the CLI's summary).
class MemoryLogSink : public LogSink {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  void Clear() override { lines.clear(); }
  std::vector<std::string> lines;
};

class GenerationLog {
 public:
  // Lines above `maxLevel` are not shown (uploads use 9).
  explicit GenerationLog(int maxLevel = 9) : maxLevel_(maxLevel) {}

  void AddSink(LogSink* sink) { sinks_.push_back(sink); }
  // Up to two progress bars follow the run.
  void AddProgress(ProgressSink* progress);
  // With `on`, every shown line is also appended to `file` (opened and closed per line).
  void SetFileLog(bool on, std::filesystem::path file);

  void Log(std::string_view text, int level = 0);
  void LogText(int number, int level = 0) { Log(ProgramText(number), level); }
  template <class... Args>
  void LogFormat(int number, const Args&... args) {
    Log(FormatProgramText(number, args...));
  }
  // Empties the shown list (not the file).
  void ClearList();

  // Progress: a position beyond the range widens it.
  void SetRange(int low, int high);
  void SetPosition(int position);
  void Step(int n = 1);
  int Position() const;
  int High() const;

 private:
  void Publish();
  void SetPositionLocked(int position);

  mutable std::recursive_mutex mutex_;
  int maxLevel_;
  std::vector<LogSink*> sinks_;
  std::vector<ProgressSink*> progress_;
  bool fileLog_ = false;
  std::filesystem::path file_;
  int low_ = 0, high_ = 100, position_ = 0;
};

}  // namespace vendora
