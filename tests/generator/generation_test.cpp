#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <utility>

#include "common/clock.h"
#include "generator/generation.h"
#include "generator/log_viewer.h"
#include "common/output_file.h"
#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "shopdb/changed_flag.h"
#include "shopdb/default_rows.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class GenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dbPath_);
    db_.Open(dbPath_);
    EnsureDefaultRows(db_);
    log_.AddSink(&sink_);
    paths_ = DeriveShopPaths(dbPath_);
  }
  // A chain of the real first steps and the given extra ones.
  std::vector<RunStep> Chain(std::vector<RunStep> extra) {
    std::vector<RunStep> chain{{"snapshot", OpenSnapshotStep},
                               {"settings", [](RunContext& r) { return LoadPreviewSettings(r, RunMode::Generation); }},
                               {"folders", CreateFoldersStep}};
    chain.insert(chain.end(), extra.begin(), extra.end());
    return chain;
  }
  static bool WriteData(RunContext& run, const char* name) {
    OutputFile f;
    if (!CreateGeneratedFile(f, run.Folder(ShopSubfolder::Data) / name, name, run.log, &run.prompter)) return false;
    f.Write("Größe|€|Ω\n");
    if (!f.Close()) return false;
    run.files.AddPublish(ShopSubfolder::Data, name);
    return true;
  }

  test::TempDir dir_;
  fs::path dbPath_ = dir_ / "shop.mdb";
  ShopDatabase db_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{1'700'000'000};
  ShopPaths paths_;
};

TEST_F(GenerationTest, AnUnchangedShopAsksAndNoLeavesEverything) {
  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  generator.Chain() = Chain({{"data", [](RunContext& r) { return WriteData(r, "category.toc"); }}});
  SetDatabaseChanged(true);
  ASSERT_TRUE(generator.Start()) << ::testing::PrintToString(sink_.lines);
  EXPECT_FALSE(IsDatabaseChanged());
  EXPECT_TRUE(prompter_.asked().empty()) << "a changed shop runs without asking";
  const fs::path file = paths_.Subfolder(ShopSubfolder::Data) / "category.toc";
  EXPECT_EQ(test::ReadFileBytes(file), "Gr\xF6\xDF" "e|\x80|&#937;\n") << "written in Windows-1252";
  EXPECT_EQ(sink_.lines,
            (std::vector<std::string>{FormatLocalTime("--- Tolm! Vendora - %c - Generating Shop ---", 1'700'000'000),
                                      "Öffne Datenbanktabellen...", "Die benötigten Verzeichnisse werden erzeugt.",
                                      "Die Verzeichnisse wurden erfolgreich erzeugt.", "Schließe Datenbanktabellen...",
                                      FormatLocalTime("--- Tolm! Vendora - %c - Shop generated ---", 1'700'000'000),
                                      "Zur Information: Der erzeugte Shop benötigt 15 Bytes auf dem Server.",
                                      "Ihr Shop ist jetzt zur Veröffentlichung bereit."}));
  EXPECT_EQ(generator.LastRun()->files.Publish(ShopSubfolder::Data).at("category.toc").Path("category.toc"),
            "data/category.toc");
  EXPECT_EQ(db_.Engine().execAndGet("PRAGMA cache_size").getInt(), -65536)
      << "the run's small page cache must not outlast it: the pages walk their lists per parent";

  // Nothing changed since: the question comes, No keeps every file and line.
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
  const auto before = fs::last_write_time(file);
  EXPECT_FALSE(generator.Start());
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text,
            "An dem Shop wurden seit der letzten Erzeugung keine\nÄnderungen mehr vorgenommen. Trotzdem neu erzeugen?");
  EXPECT_EQ(prompter_.asked()[0].defaultAnswer, Answer::No);
  EXPECT_EQ(fs::last_write_time(file), before);
  EXPECT_EQ(sink_.lines.size(), 8u);
  EXPECT_TRUE(generator.Run()) << "an unchanged shop is done at once";
  EXPECT_EQ(fs::last_write_time(file), before);

  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(generator.Start());
  EXPECT_GT(fs::last_write_time(file), before);
}

TEST_F(GenerationTest, AFailingStepEndsTheRunKeepsEarlierFilesAndTheFlag) {
  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  // A folder where the second file must go makes its creation fail.
  generator.Chain() = Chain({{"first", [](RunContext& r) { return WriteData(r, "category.toc"); }},
                             {"second", [](RunContext& r) { return WriteData(r, "config.cnf"); }},
                             {"never", [](RunContext&) -> bool { ADD_FAILURE(); return true; }}});
  fs::create_directories(paths_.Subfolder(ShopSubfolder::Data) / "config.cnf" / "x");
  SetDatabaseChanged(true);
  EXPECT_FALSE(generator.Run());
  EXPECT_TRUE(IsDatabaseChanged()) << "the next Generate runs without asking";
  EXPECT_TRUE(fs::exists(paths_.Subfolder(ShopSubfolder::Data) / "category.toc"));
  EXPECT_LT(log_.Position(), log_.High()) << "a failed run does not show a full bar";
  EXPECT_TRUE(fs::exists(paths_.incompleteRun)) << "its output is marked as not servable";
  ASSERT_GE(sink_.lines.size(), 3u);
  EXPECT_EQ(sink_.lines[sink_.lines.size() - 3], "Die Datei \"config.cnf\" konnte nicht erstellt werden.");
  EXPECT_EQ(sink_.lines[sink_.lines.size() - 2], "Grund: Unter diesem Namen besteht ein Verzeichnis. (Fehlernummer: 21).");
  EXPECT_EQ(sink_.lines.back(), "Der Erzeugungsprozess wurde abgebrochen!");
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(generator.Start()) << "runs again at once, without the question";
  EXPECT_EQ(prompter_.asked().size(), 2u) << "only the new creation failure, no question";
}

TEST_F(GenerationTest, SnapshotFailuresAndABlankCurrencyStopTheRun) {
  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  generator.Chain() = Chain({});
  db_.Execute("UPDATE \"Options\" SET \"MCurrency\" = '   '");
  SetDatabaseChanged(true);
  EXPECT_FALSE(generator.Run());
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text, "Es wurde keine gültige Hauptwährung angegeben!");
  EXPECT_EQ(sink_.lines.back(), "Der Erzeugungsprozess wurde abgebrochen!");

  db_.Execute("DROP TABLE \"ProdLines\"");
  sink_.lines.clear();
  EXPECT_FALSE(generator.Run());
  ASSERT_GE(sink_.lines.size(), 4u);
  EXPECT_EQ(sink_.lines[sink_.lines.size() - 3], "Erforderliche Produktlinienzuweisungen fehlen!");
  EXPECT_EQ(sink_.lines[sink_.lines.size() - 2],
            "Während des Öffnens der Datenbank ist ein Fehler aufgetreten. Eine Fortsetzung ist nicht möglich!");
}

TEST_F(GenerationTest, LinesGoToTheLogFileOnlyWithDoFileLog) {
  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  generator.Chain() = Chain({});
  SetDatabaseChanged(true);
  log_.SetFileLog(false, paths_.logFile);
  ASSERT_TRUE(generator.Run());
  EXPECT_FALSE(fs::exists(paths_.logFile));
  EXPECT_EQ(log_.Position(), log_.High()) << "a finished run shows a full bar, whatever steps it had";
  EXPECT_FALSE(fs::exists(paths_.incompleteRun));
  log_.SetFileLog(true, paths_.logFile);
  SetDatabaseChanged(true);
  ASSERT_TRUE(generator.Run());
  std::string expected;
  for (const auto& line : sink_.lines) expected += line + "\n";
  EXPECT_EQ(test::ReadFileBytes(paths_.logFile), expected);
  EXPECT_EQ(paths_.logFile, dir_ / "shop.log");

  // Progress: a position beyond the range widens it.
  log_.SetRange(0, 18);
  log_.SetPosition(20);
  EXPECT_EQ(log_.High(), 20);
}

TEST_F(GenerationTest, PicturesOfWithheldRecordsStayOnTheServerUnsent) {
  CreateShopFolders(paths_);
  auto picture = [&](ShopSubfolder folder, const std::string& name) {
    CImageFile image;
    const fs::path file = paths_.Subfolder(folder) / name;
    ASSERT_TRUE(image.CreateImpl(file.string(), ImageFormat::Png));
    ASSERT_TRUE(image.Create(20, 10, 24));
    ASSERT_TRUE(image.Save(file.string()));
  };
  const int32_t hidden = test::AddCategory(db_, "Versteckt"), shown = test::AddCategory(db_, "Sichtbar");
  db_.Execute("UPDATE \"Categories\" SET \"Include\" = 0 WHERE \"ID\" = " + std::to_string(hidden));
  const int32_t withheld = test::AddProduct(db_, shown, "Alt");
  db_.Execute("UPDATE \"Products\" SET \"Available\" = 0 WHERE \"ID\" = " + std::to_string(withheld));
  CRecSetInterfaces ui(db_);
  ui.Open();
  ui.AddNew();
  *ui = DefaultInterfaces();
  ui->UseThumbnails = true;
  ui.Update();
  picture(ShopSubfolder::Cats, "h" + std::to_string(hidden) + ".png");
  picture(ShopSubfolder::Cats, "b" + std::to_string(hidden) + ".png");
  picture(ShopSubfolder::Cats, "b" + std::to_string(shown) + ".png");
  picture(ShopSubfolder::Prods, std::to_string(withheld) + ".png");

  ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
  generator.Chain() = Chain({{"c", ListWithheldCategoryPicturesStep},
                             {"p", ListWithheldProductPicturesStep},
                             {"l", ListWithheldLinePicturesStep}});
  SetDatabaseChanged(true);
  ASSERT_TRUE(generator.Run()) << ::testing::PrintToString(sink_.lines);
  const RunContext& run = *generator.LastRun();
  EXPECT_EQ(run.files.Unused(ShopSubfolder::Cats).size(), 2u);
  EXPECT_EQ(run.files.Unused(ShopSubfolder::Cats).count("h" + std::to_string(hidden) + ".png"), 1u);
  EXPECT_EQ(run.files.Unused(ShopSubfolder::Prods).count(std::to_string(withheld) + ".png"), 1u);
  EXPECT_GT(run.files.Unused(ShopSubfolder::Prods).begin()->second.size, 0u);
  const auto& lines = sink_.lines;
  auto at = std::find(lines.begin(), lines.end(),
                      "Erstelle Liste der Bilder der nicht zur Verfügung stehenden Kategorien...");
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(*(at + 1), "Die Liste der nicht zur Verfügung stehenden Kategorien enthält 2 Einträge.");
  EXPECT_EQ(*(at + 2), "Die Liste der nicht zur Verfügung stehenden Kategorien wurde erstellt.");
  EXPECT_EQ(*(at + 4), "Die Liste der nicht zur Verfügung stehenden Produkte enthält 1 Einträge.");
  EXPECT_EQ(*(at + 5), "Die Liste der nicht zur Verfügung stehenden Produkte enthält 1 Einträge.")
      << "the thumbnail of the withheld product is kept up to date and listed";
  EXPECT_TRUE(fs::exists(paths_.Subfolder(ShopSubfolder::Thumbs) / (std::to_string(withheld) + ".jpg")));
}

TEST_F(GenerationTest, ADatabaseErrorWhileListingWithheldPicturesFailsTheRun) {
  struct Case {
    const char* table;
    const char* column;
    std::function<bool(RunContext&)> step;
    const char* summary;
  };
  const Case cases[] = {
      {"Categories", "Include", ListWithheldCategoryPicturesStep,
       "Die Liste der nicht zur Verfügung stehenden Kategorien wurde erstellt."},
      {"Products", "Available", ListWithheldProductPicturesStep,
       "Die Liste der nicht zur Verfügung stehenden Produkte wurde erstellt."},
      {"Lines", "Include", ListWithheldLinePicturesStep,
       "Die Liste der nicht zur Verfügung stehenden Produktlinien wurde erstellt."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    const std::string table = std::string("\"") + c.table + "\"";
    const std::string column = std::string("\"") + c.column + "\"";
    ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
    // The switch the step filters on goes missing once the snapshot is open.
    generator.Chain() = Chain({{"spoil", [&](RunContext& r) {
                                  r.db.Execute("ALTER TABLE " + table + " RENAME COLUMN " + column + " TO \"Weg\"");
                                  return true;
                                }},
                               {"withheld", c.step},
                               {"never", [](RunContext&) -> bool { ADD_FAILURE(); return true; }}});
    SetDatabaseChanged(true);
    EXPECT_FALSE(generator.Run());
    db_.Execute("ALTER TABLE " + table + " RENAME COLUMN \"Weg\" TO " + column);
    const auto& lines = sink_.lines;
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], c.summary) << "the counts are logged all the same";
    EXPECT_EQ(lines[lines.size() - 2].rfind("Beim Lesen der Datenbank ist ein Fehler aufgetreten: ", 0), 0u)
        << lines[lines.size() - 2];
    EXPECT_NE(lines[lines.size() - 2].find("(DAO Fehlernr.: 1)."), std::string::npos) << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), "Der Erzeugungsprozess wurde abgebrochen!");
    EXPECT_TRUE(IsDatabaseChanged());
  }
}

// The banners show the time as the user writes dates, also where the process itself
// runs in the "C" locale (the command line); the data files keep their numbers.
TEST_F(GenerationTest, BannersShowTheTimeInTheUsersLocale) {
  const char* savedLang = std::getenv("LC_ALL");
  const std::string saved = savedLang ? savedLang : "";
  setenv("TZ", "UTC", 1);
  tzset();
  const std::pair<const char*, std::string> cases[] = {
      {"de_DE.UTF-8", "--- Tolm! Vendora - Di 14 Nov 2023 22:13:20 UTC - Generating Shop ---"},
      {"C", "--- Tolm! Vendora - Tue Nov 14 22:13:20 2023 - Generating Shop ---"},
      {"xx_XX.UTF-8", "--- Tolm! Vendora - Tue Nov 14 22:13:20 2023 - Generating Shop ---"},
  };
  for (const auto& [locale, banner] : cases) {
    setenv("LC_ALL", locale, 1);
    ShopGenerator generator(db_, paths_, log_, prompter_, clock_);
    generator.Chain() = Chain({{"data", [](RunContext& r) { return WriteData(r, "category.toc"); }}});
    SetDatabaseChanged(true);
    ASSERT_TRUE(generator.Run());
    EXPECT_EQ(sink_.lines.front(), banner);
    EXPECT_EQ(sink_.lines[sink_.lines.size() - 2], "Zur Information: Der erzeugte Shop benötigt 15 Bytes auf dem Server.");
  }
  // Month names outside ASCII arrive as UTF-8.
  EXPECT_EQ(FormatLocalTime("%c", 1'678'000'000, "de_DE.UTF-8"), "So 05 Mär 2023 07:06:40 UTC");
  if (savedLang) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
  unsetenv("TZ");
  tzset();
}

TEST(LogViewer, ShowsTheTailOfLargeFilesAndSavesOrDeletesOnRequest) {
  test::TempDir dir;
  test::ScriptedPrompter prompter;
  const fs::path file = dir / "shop.log";
  EXPECT_FALSE(OpenLogView(file, prompter).opened);
  EXPECT_EQ(prompter.Texts().back(), "Kann die Log-Datei '" + file.string() + "' nicht öffnen!");

  std::string big(2 * kLogViewLimit - 1, 'a');
  big += "Ende\n";
  test::WriteFileBytes(file, big);
  LogView view = OpenLogView(file, prompter);
  ASSERT_TRUE(view.opened);
  EXPECT_EQ(view.text.size(), kLogViewLimit);
  EXPECT_EQ(view.text.substr(view.text.size() - 5), "Ende\n");
  EXPECT_EQ(view.notice, "Es können nur die letzten 1024 KB\nder Protokolldatei angezeigt werden.");

  ASSERT_TRUE(SaveLogView(file, "neu\n", prompter));
  EXPECT_EQ(test::ReadFileBytes(file), "neu\n");
  EXPECT_EQ(prompter.Texts().back(), "Die Protokolldatei '" + file.string() + "' wurde gespeichert!");

  prompter.Queue(Answer::Cancel);
  EXPECT_FALSE(CloseLogView(file, "x", true, prompter)) << "Cancel keeps the viewer open";
  EXPECT_EQ(prompter.asked().back().defaultAnswer, Answer::No);
  prompter.Queue(Answer::Yes);
  const size_t shown = prompter.asked().size();
  EXPECT_TRUE(CloseLogView(file, "gespeichert\n", true, prompter));
  EXPECT_EQ(prompter.asked().size(), shown + 1) << "saving on close needs no confirmation";
  EXPECT_EQ(test::ReadFileBytes(file), "gespeichert\n");

  EXPECT_FALSE(DeleteLogFile(file, prompter));
  EXPECT_EQ(prompter.asked().back().text, "Soll die Protokolldatei wirklich entfernt werden?");
  prompter.Queue(Answer::Yes);
  EXPECT_TRUE(DeleteLogFile(file, prompter));
  EXPECT_EQ(fs::file_size(file), 0u);
}

}  // namespace
}  // namespace vendora
