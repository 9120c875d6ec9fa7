#pragma once
// One page of the main window's sheet. A page may have tabs (the menu selects them),
// may refuse to be left (unsaved changes, a transfer), and follows the open shop.
#include <QString>
#include <QWidget>

#include <functional>
#include <string_view>

class QTabWidget;

namespace vendora {

struct UiContext;

class SheetPage : public QWidget {
  Q_OBJECT
 public:
  SheetPage(UiContext& context, QString caption, QWidget* parent = nullptr);

  const QString& Caption() const { return caption_; }
  // The page's tab control, or nullptr for a page without tabs.
  virtual QTabWidget* Tabs() const { return nullptr; }
  // Asked before another page or shop is chosen; false keeps the page (the merchant
  // cancelled, or it cannot be left now).
  virtual bool CanLeave() { return true; }
  // Asked before the program ends; false keeps the window open.
  virtual bool CanClose() { return CanLeave(); }
  // The page became the active page.
  virtual void Activated() {}
  // Another shop was opened, or none is open any more.
  virtual void ShopChanged() {}

 protected:
  // The question of a page with unsaved changes: Yes saves (and stays when that
  // fails), No discards, Cancel stays. True when the page may be left.
  bool AskToSaveChanges(std::string_view question, const std::function<bool()>& save,
                        const std::function<void()>& discard);

  UiContext& context_;

 private:
  QString caption_;
};

}  // namespace vendora
