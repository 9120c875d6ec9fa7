// The preview window with its embedded Chromium: the page buttons, navigation, the size
// it leaves behind, the browser hand-over, and a screenshot.
#include <QEventLoop>
#include <QPushButton>
#include <QWebEnginePage>
#include <QSignalSpy>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "app/demo_shop.h"
#include "common/log.h"
#include "preview/preview_run.h"
#include "preview_window.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

namespace fs = std::filesystem;

QString PageText(QWebEngineView* view) {
  QString text;
  QEventLoop loop;
  view->page()->toPlainText([&](const QString& t) {
    text = t;
    loop.quit();
  });
  loop.exec();
  return text;
}

bool WaitForLoad(QWebEngineView* view) {
  QSignalSpy spy(view, &QWebEngineView::loadFinished);
  return spy.wait(30000) && spy.first().first().toBool();
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VENDORA_HOME", (temp / "program").c_str(), 1);
    DemoShopOptions options;
    options.products = 4;
    options.pictures = 4;
    const fs::path database = CreateDemoShop(temp / "demo", options).value();
    ShopManager manager(ProgramIdentity{150, 54, 1031}, temp / "program", prompter);
    ASSERT_TRUE(manager.OpenShopDatabase(database));
    paths = DeriveShopPaths(database);
    GenerationLog log;
    FixedClock clock(1700000000);
    ASSERT_TRUE(BuildPreview(manager.Database(), paths, log, prompter, clock));
    folder = paths.Subfolder(ShopSubfolder::Preview);
  }
  void TearDown() override { unsetenv("VENDORA_HOME"); }

  TempDir temp;
  ScriptedPrompter prompter;
  ShopPaths paths;
  fs::path folder;
};

TEST_F(PreviewWindowTest, ButtonsFollowTheWrittenPagesAndTheSizeIsKept) {
  // A page left empty by a failed writer has no button to show it.
  WriteFileBytes(folder / "GiftWrap.html", "");
  fs::remove(folder / "Order2.html");
  PreviewWindow window(folder, std::array<int, 3>{1000, 700, 0});
  EXPECT_EQ(window.windowTitle(), "Tolm! Vendora - Vorschau");
  const QStringList captions = {"&Eingang",  "&Kategorie",   "&Produkt",     "&Index",    "&Suchen",
                                "&Warenkorb", "Bestellen &1", "Bestellen &2", "&Geschenk."};
  ASSERT_EQ(window.PageButtons().size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(window.PageButtons()[i]->text(), captions[i]);
    EXPECT_EQ(window.PageButtons()[i]->isEnabled(), i != 7 && i != 8) << i;
  }
  window.show();
  ASSERT_TRUE(WaitForLoad(window.View()));
  EXPECT_TRUE(window.View()->url().toLocalFile().endsWith("preview/StoreFront.html"));
  EXPECT_EQ(window.size(), QSize(1000, 700));
  Settle(500);
  Screenshot(&window, "preview_window");

  window.PageButtons()[2]->click();
  ASSERT_TRUE(WaitForLoad(window.View()));
  EXPECT_TRUE(window.View()->url().toLocalFile().endsWith("preview/Product.html"));

  // A page rebuilt meanwhile is read again, not taken from a cache.
  WriteFileBytes(folder / "StoreFront.html", "<HTML><BODY>Neu erzeugt</BODY></HTML>");
  window.PageButtons()[0]->click();
  ASSERT_TRUE(WaitForLoad(window.View()));
  EXPECT_EQ(PageText(window.View()), "Neu erzeugt");

  // Closed normally it leaves its size; it never gets smaller than it started, and there
  // every button shows its whole caption.
  window.resize(300, 200);
  EXPECT_GE(window.width(), 800);
  Settle(200);
  std::vector<QPushButton*> buttons = window.PageButtons();
  buttons.push_back(window.BrowserButton());
  for (QPushButton* button : buttons)
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
  Screenshot(&window, "preview_window_smallest");
  window.resize(1100, 760);
  window.close();
  EXPECT_FALSE(window.Outcome().openInBrowser);
  EXPECT_EQ(window.Outcome().size, (std::array<int, 3>{1100, 760, 0}));
}

TEST_F(PreviewWindowTest, MaximisedLeavesZeroSizeAndTheBrowserButtonHandsOver) {
  {
    PreviewWindow window(folder, std::array<int, 3>{0, 0, 1});
    window.show();
    EXPECT_TRUE(window.isMaximized());
    window.close();
    EXPECT_EQ(window.Outcome().size, (std::array<int, 3>{0, 0, 1}));
  }
  PreviewWindow window(folder, std::nullopt);
  window.show();
  window.BrowserButton()->click();
  EXPECT_TRUE(window.Outcome().openInBrowser);
  EXPECT_EQ(window.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace vendora::test
