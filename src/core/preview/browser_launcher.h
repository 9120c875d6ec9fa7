#pragma once
// Starting the user's web browser on a file or an address: the preview's frame set,
// the published shop, the program's own links.
//
// The browser is found the way Linux desktops name it: $BROWSER (a list separated by
// ":", "%s" standing for the address), then the desktop's default web browser
// (xdg-settings, then xdg-mime for HTML files) through its desktop entry, then
// xdg-open. The command line follows the "%1" rule: the address takes the place of
// "%1", or is appended as one more argument. No shell is involved: the address stays
// one argument whatever it holds.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendora {

class Prompter;

// The seam through which the program opens addresses; the GUI, the CLI and the tests
// each have their own.
class BrowserLauncher {
 public:
  virtual ~BrowserLauncher() = default;
  // Starts the browser on `url` (a file path or an address). False when it could not
  // be started; the user has been told why.
  virtual bool LaunchBrowser(const std::string& url) = 0;
};

// What the lookup and the start see of the system. The defaults are the real thing;
// tests override them.
class BrowserSystem {
 public:
  virtual ~BrowserSystem() = default;
  virtual std::optional<std::string> Environment(const std::string& name) const;
  // Runs a helper and returns the first line it printed; nullopt when it cannot be run,
  // fails or prints nothing.
  virtual std::optional<std::string> Query(const std::vector<std::string>& argv);
  // Whether the program can be started: an executable path, or a name found on $PATH.
  virtual bool CanRun(const std::string& program) const;
  // Starts the program on its own (new session, no terminal output) without waiting
  // for it. Returns 0 or the system's error number.
  virtual int Start(const std::vector<std::string>& argv);
};

// The browser's command line, or an empty text when no browser is known.
std::string FindBrowserCommand(BrowserSystem& system);

// The command line split into arguments (double and single quotes and backslashes as
// a shell reads them), with `url` in place of every "%1", or appended when there is none.
std::vector<std::string> BrowserArguments(std::string_view command, std::string_view url);

// The Exec line of a desktop entry as a command with "%1" for the address (%u %U %f %F);
// other field codes are dropped. Empty when the file has none.
std::string DesktopEntryCommand(std::string_view desktopFileText);

// The launcher of the program: finds the browser and starts it. Shows 20053 when no
// browser is found and 20081 with the error number when it cannot be started.
class SystemBrowserLauncher : public BrowserLauncher {
 public:
  explicit SystemBrowserLauncher(Prompter& prompter, BrowserSystem* system = nullptr);
  bool LaunchBrowser(const std::string& url) override;

 private:
  Prompter& prompter_;
  BrowserSystem ownSystem_;
  BrowserSystem* system_;
};

}  // namespace vendora
