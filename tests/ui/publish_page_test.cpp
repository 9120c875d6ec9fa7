// The publish page: generating with the lines arriving while the run goes on, the log
// viewer, the preview and its hand-over to the browser, and publishing to a loopback
// FTP server with the worker's lines and reports arriving on the window's thread.
#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "log_viewer_dialog.h"
#include "pages/publish_page.h"
#include "preview/preview_run.h"
#include "publish/ftp_test_servers.h"
#include "shopdb/default_rows.h"
#include "shopdb/olp_key_codec.h"
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

bool HasLine(QListWidget* list, const std::string& line) {
  const std::vector<std::string> lines = Lines(list);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A demo shop on the page, publishing to pyftpdlib (each upload held back `delayMs`).
struct PublishFixture : DesktopFixture {
  explicit PublishFixture(int delayMs = 0) : server(StartPyftpdlib(temp / "ftp", delayMs)) {
    AddDemoShop();
    FtpServerRow row = ReadSettingsRow<FtpServerRow>(Db());
    row.HostName = "127.0.0.1", row.HostPort = server ? server->Port() : 0, row.Passive = true;
    row.HostUser = "kaufmann", row.HostPass = ScrambleSecret("geheim@1");
    row.RemoteDir = "/www/shop/", row.RemoteScript = "/cgi-bin/";
    StoreRow(Db(), row);
    Window().RunCommand(32);
    page = Window().Publish();
  }
  int32_t LastFtp() { return ReadSettingsRow<OptionsRow>(Db()).LastFTP; }
  std::unique_ptr<FtpTestServer> server;
  PublishPage* page = nullptr;
};

constexpr const char* kAskAbort = "Wollen Sie die FTP-Verbindung wirklich abbrechen?";

TEST(PublishPage, PublishSendsTheShopWhileTheWindowGoesOn) {
  PublishFixture f;
  ASSERT_NE(f.server, nullptr);
  PublishPage* page = f.page;
  // Every line put into the list: from which thread, and whether the transfer still ran.
  int offThread = 0, whileRunning = 0;
  QObject::connect(page->UploadLines()->model(), &QAbstractItemModel::rowsInserted, page, [&] {
    offThread += QThread::currentThread() != QApplication::instance()->thread();
    whileRunning += page->Transferring();
  }, Qt::DirectConnection);

  f.prompter.Clear();
  f.prompter.Queue(Answer::Yes);  // generate first
  f.prompter.Queue(Answer::Yes);  // then the browser
  page->PublishButton()->click();
  EXPECT_TRUE(HasLine(page->LogLines(), "Ihr Shop ist jetzt zur Veröffentlichung bereit."));
  EXPECT_EQ(page->PublishButton()->text(), "A&bbrechen");
  EXPECT_FALSE(page->GenerateButton()->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return !page->Transferring(); }, 60000));
  EXPECT_EQ(offThread, 0);
  EXPECT_GT(whileRunning, 5) << "lines come while the worker runs, not at its end";
  EXPECT_EQ(f.prompter.Texts(),
            (std::vector<std::string>{"Der Shop wurde noch nicht erzeugt.\nBevor der Shop publiziert werden kann, muß "
                                      "Vendora erst die notwendigen Dateien erzeugen.\nJetzt erzeugen?\n",
                                      "Möchten Sie jetzt den Browser starten, um Ihren Shop jetzt gleich zu testen?\nURL: "
                                      "\"http://localhost:8080/index.html\""}));
  EXPECT_EQ(f.browser.urls, std::vector<std::string>{"http://localhost:8080/index.html"});
  EXPECT_EQ(Lines(page->UploadLines()).back(), "Starte Browser mit der URL \"http://localhost:8080/index.html\".");
  const std::vector<std::string> uploads = f.server->Uploads();
  for (const char* sent : {"/cgi-bin/catalog.cgi", "/www/shop/index.html", "/www/shop/data/config.cnf"})
    EXPECT_NE(std::find(uploads.begin(), uploads.end(), sent), uploads.end()) << sent;
  EXPECT_EQ(ReadFileBytes(f.server->Root() / "www/shop/data/product.toc"),
            ReadFileBytes(f.manager.Paths().folder / "data/product.toc"));
  EXPECT_EQ(page->UploadProgress()->value(), page->UploadProgress()->maximum());
  EXPECT_GT(page->UploadProgress()->maximum(), 10000) << "counted in bytes";
  // The fixed clock's time, stored without marking the shop changed, and shown.
  EXPECT_EQ(f.LastFtp(), 1700000000);
  EXPECT_FALSE(IsDatabaseChanged());
  EXPECT_NE(U(page->LastTransfer()->text()).find("2023"), std::string::npos) << U(page->LastTransfer()->text());
  EXPECT_TRUE(page->GenerateButton()->isEnabled());
  EXPECT_EQ(page->PublishButton()->text(), "P&ublizieren");
  Screenshot(&f.Window(), "page6_publish_published");
}

// A run that fails on its own tells the merchant in a message, not only in a line.
TEST(PublishPage, AFailedPublishIsShownAsAMessage) {
  PublishFixture f;
  ASSERT_NE(f.server, nullptr);
  FtpServerRow row = ReadSettingsRow<FtpServerRow>(f.Db());
  row.HostPass = ScrambleSecret("falsch");  // the server refuses the logon
  StoreRow(f.Db(), row);
  ASSERT_TRUE(f.page->Generate());
  f.prompter.Clear();
  f.page->PublishButton()->click();
  ASSERT_TRUE(WaitFor([&] { return !f.page->Transferring(); }, 30000));
  ASSERT_FALSE(f.prompter.Texts().empty());
  EXPECT_EQ(f.prompter.Texts().back(),
            "Die Veröffentlichung ist fehlgeschlagen. Die Gründe stehen in der Liste der Übertragung und im Protokoll; "
            "Ihr Shop auf dem Server ist möglicherweise nicht vollständig.");
  EXPECT_EQ(f.prompter.asked().back().icon, MessageIcon::Warning);
  EXPECT_EQ(f.LastFtp(), 0);
}

// No other page while a transfer runs; "A&bbrechen" and closing the window ask, abort
// and count the run as failed; the window goes only once the worker has ended.
TEST(PublishPage, TransferHoldsThePageUntilItEndsOrIsAborted) {
  PublishFixture f(150);
  ASSERT_NE(f.server, nullptr);
  PublishPage* page = f.page;
  MainWindow& w = f.Window();
  ASSERT_TRUE(page->Generate());
  const QString unknown = page->LastTransfer()->text();
  for (const bool byClosing : {false, true}) {
    f.server->MarkLog();
    page->PublishButton()->click();
    ASSERT_TRUE(WaitFor([&] { return f.server->Uploads().size() >= 2; }, 30000));
    f.prompter.Clear();
    f.prompter.Queue(Answer::No);
    f.prompter.Queue(Answer::Yes);
    if (byClosing) {
      EXPECT_FALSE(w.close());
      EXPECT_TRUE(w.close());
      EXPECT_FALSE(page->Transferring()) << "the worker ended before the window went";
      EXPECT_EQ(f.prompter.Texts(), (std::vector<std::string>{kAskAbort, kAskAbort}));
    } else {
      Screenshot(&w, "page6_publish_transferring");
      EXPECT_FALSE(w.RunCommand(16));
      EXPECT_EQ(w.Sheet()->currentIndex(), MainWindow::kPublish);
      page->PublishButton()->click();
      EXPECT_TRUE(page->Transferring()) << "No goes on";
      page->PublishButton()->click();
      ASSERT_TRUE(WaitFor([&] { return !page->Transferring(); }, 30000));
      EXPECT_EQ(f.prompter.Texts(),
                (std::vector<std::string>{"Eine andere Seite kann während einer FTP-Übertragung nicht aufgerufen werden.",
                                          kAskAbort, kAskAbort}));
      EXPECT_TRUE(HasLine(page->UploadLines(), "Abbruch-Kommando erkannt. Bitte warten Sie einen Moment..."));
      EXPECT_EQ(Lines(page->UploadLines()).back(), "Ende der FTP-Sitzung, Aufräumarbeiten...");
      EXPECT_TRUE(page->GenerateButton()->isEnabled());
      EXPECT_TRUE(w.RunCommand(16) && w.RunCommand(32)) << "free to go once it has ended";
    }
    EXPECT_LT(f.server->Uploads().size(), 10u);
    EXPECT_EQ(f.LastFtp(), 0);
    EXPECT_EQ(page->LastTransfer()->text(), unknown);
    EXPECT_TRUE(f.browser.urls.empty());
  }
}

TEST(PublishPage, GenerateShowsTheRunWhileItGoesOn) {
  DesktopFixture f;
  f.AddDemoShop();
  MainWindow& w = f.Window();
  ASSERT_TRUE(w.RunCommand(32));
  PublishPage* page = w.Publish();
  EXPECT_EQ(page->PublishButton()->text(), "P&ublizieren");

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
