#include "desktop_program.h"

#include <QApplication>
#include <QMessageBox>

#include "app/program_folder.h"
#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "main_window.h"
#include "preview/browser_launcher.h"
#include "qt_dialogs.h"
#include "qt_prompter.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

int RunDesktopProgram(const std::function<void(MainWindow&)>& shown) {
  const std::optional<ProgramIdentity> identity = CompiledProgramIdentity();
  if (!identity) {
    QMessageBox::critical(nullptr, Q(texts::kWindowTitle), Q(texts::kVersionInfoUnreadable));
    return 1;
  }
  QtPrompter prompter;
  QtDialogs dialogs(prompter);
  SystemClock clock;
  SystemBrowserLauncher browser(prompter);
  ShopManager manager(*identity, ProgramFolder(), prompter);
  const std::filesystem::path settingsFile = SettingsFilePath();
  manager.LoadSettings(settingsFile);

  UiContext context{manager, prompter, dialogs, clock, browser};
  int result = 0;
  {
    MainWindow window(context);
    prompter.SetParent(&window);
    dialogs.SetParent(&window);
    window.show();
    window.OpenRememberedShop();
    if (shown) shown(window);
    result = QApplication::exec();
  }
  manager.CloseShop();
  if (!manager.SaveSettings(settingsFile))
    QMessageBox::warning(nullptr, Q(texts::kWindowTitle), Q(Format(texts::kSettingsNotSaved, settingsFile.string())));
  return result;
}

}  // namespace vendora
