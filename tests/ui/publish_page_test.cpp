// The publish page: generating with the lines arriving while the run goes on, the log
// viewer, the preview and its hand-over to the browser, the transfer half's place.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "log_viewer_dialog.h"
#include "pages/publish_page.h"
#include "preview/preview_run.h"
#include "shopdb/changed_flag.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(QListWidget* list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list->count(); ++i) lines.push_back(U(list->item(i)->text()));
  return lines;
}

TEST(PublishPage, GenerateShowsTheRunWhileItGoesOn) {
  DesktopFixture f;
  f.AddDemoShop();
  MainWindow& w = f.Window();
  ASSERT_TRUE(w.RunCommand(32));
  PublishPage* page = w.Publish();
  EXPECT_EQ(U(page->LastTransfer()->text()), "Zuletzt übertragen am: Unbekannt.");
  EXPECT_FALSE(page->PublishButton()->isEnabled());
  EXPECT_EQ(page->PublishButton()->text(), "&Publizieren");

  // A timer due at once fires inside the run, when the window repaints between steps.
  int linesDuringRun = -1;
  bool buttonDuringRun = true;
  QTimer::singleShot(0, page, [&] {
    linesDuringRun = page->LogLines()->count();
    buttonDuringRun = page->GenerateButton()->isEnabled();
  });
  ASSERT_TRUE(page->Generate());
  EXPECT_GT(linesDuringRun, 0);
  EXPECT_FALSE(buttonDuringRun);
  EXPECT_TRUE(page->GenerateButton()->isEnabled());

  const std::vector<std::string> lines = Lines(page->LogLines());
  ASSERT_GT(lines.size(), 10u);
  EXPECT_NE(lines.front().find("Generating Shop ---"), std::string::npos) << lines.front();
  EXPECT_EQ(lines.back(), "Ihr Shop ist jetzt zur Veröffentlichung bereit.");
  EXPECT_EQ(page->LogLines()->currentRow(), page->LogLines()->count() - 1) << "the last line is shown";
  EXPECT_GT(page->Progress()->value(), 10) << "every step moved the bar";
  EXPECT_TRUE(fs::exists(f.manager.Paths().Subfolder(ShopSubfolder::Data) / "product.toc"));
  Screenshot(&w, "page6_publish_generated");

  // Unchanged since: the page asks first, and No leaves the list as it was.
  f.prompter.Queue(Answer::No);
  EXPECT_FALSE(page->Generate());
  EXPECT_EQ(f.prompter.Texts().back(),
            "An dem Shop wurden seit der letzten Erzeugung keine\nÄnderungen mehr vorgenommen. Trotzdem neu erzeugen?");
  EXPECT_EQ(Lines(page->LogLines()), lines);
}

TEST(PublishPage, PreviewOpensTheWindowOrTheBrowser) {
  DesktopFixture f;
  f.AddDemoShop();
  PublishPage* page = f.Window().Publish();
  f.dialogs.previews.push_back({false, {900, 640, 0}});
  page->Preview();
  ASSERT_EQ(f.dialogs.previewFolders.size(), 1u);
  EXPECT_EQ(f.dialogs.previewFolders[0], f.manager.Paths().folder / "preview");
  EXPECT_TRUE(fs::file_size(f.manager.Paths().folder / "preview" / "StoreFront.html") > 0);
  EXPECT_EQ(f.manager.Settings().previewSize, (std::array<int, 3>{900, 640, 0}));
  EXPECT_TRUE(f.browser.urls.empty());

  f.dialogs.previews.push_back({true, {}});
  page->Preview();
  EXPECT_EQ(f.browser.urls, std::vector<std::string>{(f.manager.Paths().folder / "preview" / "FrameSet.html").string()});
  EXPECT_EQ(f.manager.Settings().previewSize, (std::array<int, 3>{900, 640, 0})) << "kept when the browser is asked";
}

// The viewer's buttons reach the log viewer rules (their texts are checked with them).
TEST(LogViewer, DialogShowsTheTailAndKeepsEditsUntilAnswered) {
  TempDir temp;
  ScriptedPrompter prompter;
  const fs::path file = temp / "Laden.log";
  WriteFileBytes(file, std::string(1024 * 1024, 'a') + "Ende\n");
  LogViewerDialog dialog(file, prompter);
  ASSERT_TRUE(dialog.Load());
  EXPECT_EQ(prompter.Texts().size(), 1u) << "only the tail is shown";
  EXPECT_TRUE(dialog.Text()->toPlainText().endsWith("aEnde\n"));
  EXPECT_EQ(dialog.Text()->toPlainText().size(), 1024 * 1024);

  dialog.show();
  dialog.Text()->insertPlainText("Notiz");
  prompter.Queue(Answer::Cancel);
  dialog.reject();
  EXPECT_TRUE(dialog.isVisible()) << "Cancel keeps the viewer";
  prompter.Queue(Answer::Yes);
  dialog.DeleteButton()->click();
  EXPECT_EQ(ReadFileBytes(file), "");
  EXPECT_TRUE(dialog.Text()->toPlainText().isEmpty());
  const size_t asked = prompter.asked().size();
  dialog.reject();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(prompter.asked().size(), asked) << "nothing left to save";
  EXPECT_FALSE(LogViewerDialog(temp / "fehlt.log", prompter).Load());
}

}  // namespace
}  // namespace vendora::test
