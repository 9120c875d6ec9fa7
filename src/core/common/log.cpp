#include "common/log.h"

#include <fstream>

namespace vendora {

void GenerationLog::AddProgress(ProgressSink* progress) {
  if (progress_.size() < 2) progress_.push_back(progress);
}

void GenerationLog::SetFileLog(bool on, std::filesystem::path file) {
  fileLog_ = on;
  file_ = std::move(file);
}

void GenerationLog::Log(std::string_view text, int level) {
  if (level > maxLevel_) return;
  std::lock_guard lock(mutex_);
  const std::string line(text);
  for (LogSink* sink : sinks_) sink->AddLine(line);
  if (fileLog_ && !file_.empty()) {
    // Opened per line, so the file is complete whenever the run stops; a file that
    // cannot be opened costs the file line only.
    std::ofstream out(file_, std::ios::binary | std::ios::app);
    if (out) out << line << '\n';
  }
}

void GenerationLog::ClearList() {
  std::lock_guard lock(mutex_);
  for (LogSink* sink : sinks_) sink->Clear();
}

void GenerationLog::SetRange(int low, int high) {
  std::lock_guard lock(mutex_);
  low_ = low;
  high_ = high;
  Publish();
}

void GenerationLog::SetPosition(int position) {
  std::lock_guard lock(mutex_);
  SetPositionLocked(position);
}

void GenerationLog::Step(int n) {
  std::lock_guard lock(mutex_);
  SetPositionLocked(position_ + n);
}

int GenerationLog::Position() const {
  std::lock_guard lock(mutex_);
  return position_;
}

int GenerationLog::High() const {
  std::lock_guard lock(mutex_);
  return high_;
}

void GenerationLog::SetPositionLocked(int position) {
  position_ = position;
  if (position_ > high_) high_ = position_;
  if (position_ < low_) low_ = position_;
  Publish();
}

void GenerationLog::Publish() {
  for (ProgressSink* p : progress_) p->SetProgress(low_, high_, position_);
}

}  // namespace vendora
