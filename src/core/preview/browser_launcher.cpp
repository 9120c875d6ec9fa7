#include "preview/browser_launcher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"

extern char** environ;

namespace vendora {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitList(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    const std::string_view part = Trim(text.substr(start, end - start));
    if (!part.empty()) parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Shell-like words: quotes group, a backslash takes the next character literally
// (inside double quotes only before \ " $ `).
std::vector<std::string> SplitWords(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (quote == '\'') {
      if (c == '\'') quote = 0;
      else word += c;
    } else if (quote == '"') {
      if (c == '"') quote = 0;
      else if (c == '\\' && i + 1 < command.size() && std::string_view("\\\"$`").find(command[i + 1]) != std::string_view::npos)
        word += command[++i];
      else word += c;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      inWord = true;
      if (c == '\'' || c == '"') quote = c;
      else if (c == '\\' && i + 1 < command.size()) word += command[++i];
      else word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::optional<std::string> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The desktop entry's file in the XDG data folders, user's first.
std::string DesktopBrowserCommand(BrowserSystem& system, const std::string& desktopId) {
  // A desktop file ID is a plain file name; anything else would lead elsewhere.
  if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId.front() == '.' ||
      !desktopId.ends_with(".desktop"))
    return {};
  std::vector<std::string> folders;
  if (auto home = system.Environment("XDG_DATA_HOME"); home && !home->empty()) folders.push_back(*home);
  else if (auto user = system.Environment("HOME"); user && !user->empty()) folders.push_back(*user + "/.local/share");
  const std::optional<std::string> dirs = system.Environment("XDG_DATA_DIRS");
  for (std::string& d : SplitList(dirs && !dirs->empty() ? *dirs : "/usr/local/share:/usr/share", ':'))
    folders.push_back(std::move(d));
  for (const std::string& folder : folders) {
    if (std::optional<std::string> text = ReadFile(fs::path(folder) / "applications" / desktopId)) {
      std::string command = DesktopEntryCommand(*text);
      const std::vector<std::string> words = SplitWords(command);
      if (!words.empty() && system.CanRun(words.front())) return command;
    }
  }
  return {};
}

// The null-terminated argument list of exec and spawn, pointing into `argv`.
std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

bool IsExecutableFile(const fs::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> BrowserSystem::Environment(const std::string& name) const {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> BrowserSystem::Query(const std::vector<std::string>& argv) {
  if (argv.empty() || !CanRun(argv.front())) return std::nullopt;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args = ArgumentVector(argv);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  if (error == 0) {
    char buffer[4096];
    ssize_t n;
    // A helper's answer is one short line; more is not read.
    while (output.size() < 65536 && ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)))
      if (n > 0) output.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipeFds[0]);
  if (error != 0) return std::nullopt;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  const std::string line(Trim(output.substr(0, output.find('\n'))));
  if (line.empty()) return std::nullopt;
  return line;
}

bool BrowserSystem::CanRun(const std::string& program) const {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos) return IsExecutableFile(program);
  const std::optional<std::string> path = Environment("PATH");
  for (const std::string& folder : SplitList(path ? *path : "/usr/local/bin:/usr/bin:/bin", ':'))
    if (IsExecutableFile(fs::path(folder) / program)) return true;
  return false;
}

int BrowserSystem::Start(const std::vector<std::string>& argv) {
  if (argv.empty()) return ENOENT;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session: the browser outlives the program and a Ctrl+C in its terminal.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char*> args = ArgumentVector(argv);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return error;
  // Reaped in the background, so no finished browser stays behind as a zombie.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

std::string DesktopEntryCommand(std::string_view text) {
  bool inEntry = false;
  for (const std::string& rawLine : SplitList(text, '\n')) {
    const std::string_view line = Trim(rawLine);
    if (line.starts_with('[')) {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry || !line.starts_with("Exec=")) continue;
    std::string command;
    const std::string_view exec = line.substr(5);
    for (size_t i = 0; i < exec.size(); ++i) {
      if (exec[i] != '%' || i + 1 == exec.size()) {
        command += exec[i];
        continue;
      }
      const char code = exec[++i];
      if (code == '%') command += '%';
      else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') command += "%1";
    }
    return std::string(Trim(command));
  }
  return {};
}

std::vector<std::string> BrowserArguments(std::string_view command, std::string_view url) {
  std::vector<std::string> args = SplitWords(command);
  bool placed = false;
  for (std::string& a : args) {
    if (a.find("%1") == std::string::npos) continue;
    a = ReplaceAll(a, "%1", url);
    placed = true;
  }
  if (!placed) args.emplace_back(url);
  return args;
}

std::string FindBrowserCommand(BrowserSystem& system) {
  if (std::optional<std::string> browser = system.Environment("BROWSER")) {
    for (const std::string& entry : SplitList(*browser, ':')) {
      const std::vector<std::string> words = SplitWords(entry);
      if (!words.empty() && system.CanRun(words.front())) return ReplaceAll(entry, "%s", "%1");
    }
  }
  const std::vector<std::vector<std::string>> queries = {{"xdg-settings", "get", "default-web-browser"},
                                                         {"xdg-mime", "query", "default", "text/html"}};
  for (const auto& query : queries) {
    if (std::optional<std::string> desktopId = system.Query(query)) {
      std::string command = DesktopBrowserCommand(system, *desktopId);
      if (!command.empty()) return command;
    }
  }
  if (system.CanRun("xdg-open")) return "xdg-open";
  return {};
}

SystemBrowserLauncher::SystemBrowserLauncher(Prompter& prompter, BrowserSystem* system)
    : prompter_(prompter), system_(system ? system : &ownSystem_) {}

bool SystemBrowserLauncher::LaunchBrowser(const std::string& url) {
  const std::string command = FindBrowserCommand(*system_);
  if (command.empty()) {
    prompter_.Show(FormatProgramText(text::kNoBrowserFound, url), MessageIcon::Information);
    return false;
  }
  const int error = system_->Start(BrowserArguments(command, url));
  if (error != 0) {
    // The error number twice: in decimal and as the eight hexadecimal digits of a pointer.
    const std::string text = ReplaceAll(std::string(ProgramText(text::kBrowserNotStarted)), "%p", "%08X");
    prompter_.Show(Format(text, error, static_cast<unsigned>(error)), MessageIcon::Stop);
    return false;
  }
  return true;
}

}  // namespace vendora
