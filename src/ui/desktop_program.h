#pragma once
// The program's run around its window: identity and settings read first (a failure
// ends the program before any window), the window on the remembered shop, and the
// settings saved once the window has closed.
#include <functional>

namespace vendora {

class MainWindow;

// Needs a QApplication. `shown` (tests) is called once the window shows the shop.
// Returns the program's exit code.
int RunDesktopProgram(const std::function<void(MainWindow&)>& shown = {});

}  // namespace vendora
