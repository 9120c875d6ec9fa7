#pragma once
// What every page of the window works with: the shop list and the open shop, the
// message boxes, the dialogs, the clock and the browser.
namespace vendora {

class BrowserLauncher;
class Clock;
class Prompter;
class ShopManager;
class UiDialogs;

struct UiContext {
  ShopManager& manager;
  Prompter& prompter;
  UiDialogs& dialogs;
  const Clock& clock;
  BrowserLauncher& browser;
};

}  // namespace vendora
