#include "generator/log_viewer.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "common/file_write.h"
#include "common/program_text.h"
#include "common/prompter.h"

namespace vendora {

namespace fs = std::filesystem;

LogView OpenLogView(const fs::path& file, Prompter& prompter, uint64_t limit) {
  LogView view;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    prompter.Show(Format(texts::kLogCannotOpen, file.string()), MessageIcon::Warning);
    return view;
  }
  in.seekg(0, std::ios::end);
  const auto size = static_cast<uint64_t>(in.tellg());
  uint64_t start = 0;
  if (size > limit) {
    start = size - limit;
    view.notice = Format(texts::kLogTail, static_cast<long long>(limit / 1024));
  }
  in.seekg(static_cast<std::streamoff>(start));
  std::ostringstream s;
  s << in.rdbuf();
  view.text = s.str();
  // Do not begin inside a character.
  size_t skip = 0;
  while (start > 0 && skip < view.text.size() && (static_cast<unsigned char>(view.text[skip]) & 0xC0) == 0x80) ++skip;
  view.text.erase(0, skip);
  view.opened = true;
  return view;
}

bool SaveLogView(const fs::path& file, const std::string& text, Prompter& prompter, bool confirm) {
  if (!ReplaceFileContent(file, text)) {
    prompter.Show(Format(texts::kLogCannotOpen, file.string()), MessageIcon::Warning);
    return false;
  }
  if (confirm) prompter.Show(Format(texts::kLogSaved, file.string()), MessageIcon::Information);
  return true;
}

bool DeleteLogFile(const fs::path& file, Prompter& prompter) {
  if (prompter.AskYesNo(std::string(texts::kLogDeleteQuestion), Answer::No) != Answer::Yes) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  return static_cast<bool>(out);
}

bool CloseLogView(const fs::path& file, const std::string& text, bool edited, Prompter& prompter) {
  if (!edited) return true;
  switch (prompter.AskYesNoCancel(std::string(texts::kLogSaveQuestion), Answer::No)) {
    case Answer::Yes: return SaveLogView(file, text, prompter, false);
    case Answer::No: return true;
    default: return false;
  }
}

}  // namespace vendora
