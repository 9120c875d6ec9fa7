#include "preview/browser_launcher.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// Answers from tables and records every question in order.
class RecordingSystem : public BrowserSystem {
 public:
  std::optional<std::string> Environment(const std::string& name) const override {
    auto it = env.find(name);
    return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  std::optional<std::string> Query(const std::vector<std::string>& argv) override {
    calls.push_back(argv.front());
    auto it = answers.find(argv.front());
    return it == answers.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  bool CanRun(const std::string& program) const override {
    calls.push_back("can run " + program);
    return runnable.contains(program);
  }
  int Start(const std::vector<std::string>& argv) override {
    started.push_back(argv);
    return startError;
  }

  std::map<std::string, std::string> env, answers;
  std::set<std::string> runnable;
  mutable std::vector<std::string> calls;
  std::vector<std::vector<std::string>> started;
  int startError = 0;
};

TEST(BrowserLookup, FollowsBrowserVariableThenDesktopDefaultThenXdgOpen) {
  test::TempDir dir;
  fs::create_directories(dir / "applications");
  test::WriteFileBytes(dir / "applications" / "firefox.desktop",
                       "[Desktop Entry]\nName=Firefox\nExec=firefox-esr %u\n[Desktop Action new]\nExec=firefox-esr -new\n");
  test::WriteFileBytes(dir / "applications" / "chromium.desktop",
                       "[Desktop Entry]\nExec=\"/opt/Mein Browser/chromium\" --incognito %U %i\n");
  const std::string data = dir.path().string();
  // No entry from this machine's own folders may take part.
  const std::string none = (dir / "keine").string();
  struct Case {
    const char* name;
    std::map<std::string, std::string> env, answers;
    std::set<std::string> runnable;
    std::string command;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"$BROWSER first, its first runnable entry, %s as the address",
       {{"BROWSER", "fehlt:lynx %s:w3m"}, {"XDG_DATA_HOME", data}, {"XDG_DATA_DIRS", none}},
       {{"xdg-settings", "firefox.desktop"}},
       {"lynx", "w3m", "firefox-esr"},
       "lynx %1",
       {"can run fehlt", "can run lynx"}},
      {"the desktop's default browser through its entry",
       {{"XDG_DATA_HOME", data}, {"XDG_DATA_DIRS", none}},
       {{"xdg-settings", "firefox.desktop"}},
       {"firefox-esr", "xdg-open"},
       "firefox-esr %1",
       {"xdg-settings", "can run firefox-esr"}},
      {"xdg-mime when xdg-settings knows none; field codes dropped",
       {{"XDG_DATA_HOME", data}, {"XDG_DATA_DIRS", none}, {"BROWSER", ""}},
       {{"xdg-mime", "chromium.desktop"}},
       {"/opt/Mein Browser/chromium"},
       "\"/opt/Mein Browser/chromium\" --incognito %1",
       {"xdg-settings", "xdg-mime", "can run /opt/Mein Browser/chromium"}},
      {"an entry whose program is missing, an ID that is no file name: xdg-open",
       {{"XDG_DATA_HOME", data}, {"XDG_DATA_DIRS", none}},
       {{"xdg-settings", "firefox.desktop"}, {"xdg-mime", "../firefox.desktop"}},
       {"xdg-open"},
       "xdg-open",
       {"xdg-settings", "can run firefox-esr", "xdg-mime", "can run xdg-open"}},
      {"nothing at all", {}, {}, {}, "", {"xdg-settings", "xdg-mime", "can run xdg-open"}},
  };
  for (const Case& c : cases) {
    RecordingSystem system;
    system.env = c.env;
    system.answers = c.answers;
    system.runnable = c.runnable;
    EXPECT_EQ(FindBrowserCommand(system), c.command) << c.name;
    EXPECT_EQ(system.calls, c.calls) << c.name;
  }
}

TEST(BrowserLaunch, PlacesTheAddressByThePercentOneRuleAndReportsFailures) {
  const std::string url = "/home/händler/Mein Shop/preview/FrameSet.html";
  EXPECT_EQ(BrowserArguments("\"/opt/Mein Browser/b\" --new-window %1", url),
            (std::vector<std::string>{"/opt/Mein Browser/b", "--new-window", url}));
  EXPECT_EQ(BrowserArguments("firefox --private", url), (std::vector<std::string>{"firefox", "--private", url}));
  EXPECT_EQ(BrowserArguments("open --url=%1", "a;$(rm -rf x)'\""),
            (std::vector<std::string>{"open", "--url=a;$(rm -rf x)'\""}))
      << "no shell: the address is one argument as it is";

  test::ScriptedPrompter prompter;
  RecordingSystem system;
  SystemBrowserLauncher launcher(prompter, &system);
  EXPECT_FALSE(launcher.LaunchBrowser(url));
  ASSERT_EQ(prompter.Texts().size(), 1u);
  EXPECT_EQ(prompter.Texts()[0], "Vendora konnte keinen Browser wie \nz.B. MSIE or Netscape finden, um die URL\n\"" +
                                     url + "\" zu besuchen.\n");
  EXPECT_TRUE(system.started.empty());

  system.runnable = {"xdg-open"};
  system.startError = 2;
  EXPECT_FALSE(launcher.LaunchBrowser(url));
  EXPECT_EQ(prompter.Texts().back(), "Der Browser konnte nicht gestartet werden! Fehlernummer is 2 (0x00000002).");
  EXPECT_EQ(prompter.asked().back().icon, MessageIcon::Stop);
  system.startError = 0;
  EXPECT_TRUE(launcher.LaunchBrowser(url));
  EXPECT_EQ(system.started.back(), (std::vector<std::string>{"xdg-open", url}));
}

TEST(BrowserLaunch, StartsTheProgramNamedByBrowserWithTheAddress) {
  test::TempDir dir;
  const fs::path script = dir / "fake browser";
  const fs::path record = dir / "aufgerufen.txt";
  test::WriteFileBytes(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + record.string() + ".tmp\"\nmv \"" +
                                   record.string() + ".tmp\" \"" + record.string() + "\"\n");
  ::chmod(script.c_str(), 0755);
  const char* saved = std::getenv("BROWSER");
  const std::string savedValue = saved ? saved : "";
  setenv("BROWSER", ("'" + script.string() + "' --neu %s").c_str(), 1);
  test::ScriptedPrompter prompter;
  SystemBrowserLauncher launcher(prompter);
  const std::string url = "/tmp/Mein \"Shop\"/FrameSet.html";
  const bool started = launcher.LaunchBrowser(url);
  if (saved) setenv("BROWSER", savedValue.c_str(), 1);
  else unsetenv("BROWSER");
  ASSERT_TRUE(started) << ::testing::PrintToString(prompter.Texts());
  // The browser runs on its own; wait for it to have written what it was given.
  for (int i = 0; i < 500 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::ReadFileBytes(record), "--neu|" + url + "|");
}

}  // namespace
}  // namespace vendora
