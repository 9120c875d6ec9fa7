#include "terminal_log.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "app/shop_manager.h"
#include "command_group.h"

namespace vendora {

void TerminalLog::AddLine(const std::string& line) {
  // One write per line: an upload logs every command, reply and listing line.
  err_ << (terminal_ ? "\r\033[K" : "") + line + "\n";
  if (terminal_) Draw();
}

void TerminalLog::SetProgress(int low, int high, int position) {
  low_ = low;
  high_ = high;
  position_ = position;
  if (!terminal_) return;
  // An upload moves the bar every 4096 bytes: drawing ten times a second is enough.
  const auto now = std::chrono::steady_clock::now();
  if (position < high && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  Draw();
}

void TerminalLog::Finish() {
  if (terminal_) err_ << "\r\033[K" << std::flush;
}

void TerminalLog::Draw() {
  const int span = std::max(1, high_ - low_), done = std::clamp(position_ - low_, 0, span);
  const int width = 30, filled = done * width / span;
  err_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(width - filled), ' ')
       << "] " << done << "/" << span << std::flush;
}

ShopRun::ShopRun(CliContext& c) : context(c), terminal(c.err, isatty(2) != 0) {
  log.AddSink(&terminal);
  log.AddProgress(&terminal);
}

bool ShopRun::Open(const std::string& shopFile) {
  ShopManager& manager = context.manager;
  if (!manager.OpenShopDatabase(shopFile)) return false;
  paths_ = DeriveShopPaths(manager.Database().Path());
  log.SetFileLog(manager.Settings().doFileLog, paths_.logFile);
  return true;
}

ShopDatabase& ShopRun::Database() { return context.manager.Database(); }

}  // namespace vendora
