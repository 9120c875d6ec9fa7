#include "generator/generation.h"

#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "common/clock.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/catalogue_files.h"
#include "generator/config_file.h"
#include "generator/entry_page.h"
#include "generator/graphic_sets.h"
#include "generator/language_file.h"
#include "generator/picture_queue.h"
#include "generator/scripts.h"
#include "generator/server_checks.h"
#include "imaging/image_refs.h"
#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"

namespace vendora {

namespace fs = std::filesystem;

std::vector<RunStep> GenerationChain() {
  return {
      {"snapshot", OpenSnapshotStep},
      {"settings", [](RunContext& run) { return LoadPreviewSettings(run, RunMode::Generation); }},
      {"graphic set", ReadShopGraphicSetStep},
      {"web server", CheckWebServerStep},
      {"payvane", CheckPayvaneStep},
      {"folders", CreateFoldersStep},
      {"catalogue", WriteCatalogueStep},
      {"lines", WriteProductLinesStep},
      {"index", WriteIndexStep},
      {"withheld categories", ListWithheldCategoryPicturesStep},
      {"withheld products", ListWithheldProductPicturesStep},
      {"withheld lines", ListWithheldLinePicturesStep},
      {"scripts", WriteScriptPlaceholdersStep},
      {"config", WriteConfigFileStep},
      {"language", WriteLanguageFileStep},
      {"colours", WriteColorFileStep},
      {"entry page", WriteEntryPageStep},
  };
}

namespace {

// Opens one list table of the snapshot without reading it: the steps filter and
// requery it. A failure logs the table's line.
template <class Set>
bool OpenList(RunContext& run, std::unique_ptr<Set>& set, std::string_view failureLine) {
  try {
    set = std::make_unique<Set>(run.db);
    set->OpenWithoutRows();
    return true;
  } catch (const DbError&) {
    run.log.Log(failureLine);
    return false;
  }
}

template <class Row>
bool ReadRow(RunContext& run, Row& row, std::string_view failureLine) {
  try {
    row = ReadSettingsRow<Row>(run.db);
    return true;
  } catch (const DbError&) {
    run.log.Log(failureLine);
    return false;
  }
}

}  // namespace

bool OpenSnapshotStep(RunContext& run) {
  run.log.Log(texts::kOpeningTables);
  ShopSnapshot& s = run.snapshot;
  const bool ok = ReadRow(run, s.webServer, texts::kMissingWebServer) &&
                  OpenList(run, s.categories, texts::kMissingCategories) &&
                  OpenList(run, s.products, texts::kMissingProducts) &&
                  OpenList(run, s.items, texts::kMissingItems) && OpenList(run, s.index, texts::kMissingIndex) &&
                  OpenList(run, s.prodLines, texts::kMissingProdLines) &&
                  OpenList(run, s.taxesByType, texts::kMissingTaxes) && OpenList(run, s.lines, texts::kMissingLines) &&
                  OpenList(run, s.language, texts::kMissingLanguage) &&
                  ReadRow(run, s.interfaces, texts::kMissingInterfaces) &&
                  ReadRow(run, s.options, texts::kMissingOptions) && ReadRow(run, s.company, texts::kMissingCompany) &&
                  ReadRow(run, s.payvane, texts::kMissingPayvane);
  if (!ok) {
    run.log.Log(texts::kOpeningTablesFailed);
    return false;
  }
  s.open = true;
  run.taxType = s.options.TaxType;
  run.lastUpload = s.options.LastFTP;
  run.scriptExtension = s.webServer.ScriptExt == 1 ? ".pl" : ".cgi";
  run.log.Step();
  return true;
}

bool CreateFoldersStep(RunContext& run) {
  run.log.Log(texts::kCreatingFolders);
  const bool ok = CreateShopFolders(run.paths);
  run.log.Log(ok ? texts::kFoldersCreated : texts::kFoldersFailed);
  run.log.Step();
  return ok;
}

namespace {

// Own wording: the older program names no line for this failure.
constexpr std::string_view kDatabaseError = "Beim Lesen der Datenbank ist ein Fehler aufgetreten: %s (DAO Fehlernr.: %d).";

std::string FileNameOf(const std::optional<fs::path>& file) { return file ? file->filename().string() : std::string(); }

// Walks the withheld rows of a list table. A database error ends the walk and is
// returned, so the step can log its counts first and then fail.
template <class Set, class F>
std::optional<DbError> ForWithheld(Set& set, const Criteria& filter, F&& f) {
  try {
    set.SetFilter(filter);
    set.Requery();
    for (; !set.IsEOF(); set.MoveNext()) f(*set);
  } catch (const DbError& e) {
    return e;
  }
  return std::nullopt;
}

// The end of a withheld-pictures step: the error, if any, fails it.
bool FinishWithheld(RunContext& run, const std::optional<DbError>& error) {
  if (error) {
    LogDatabaseError(run, *error);
    return false;
  }
  run.log.Step();
  return true;
}

}  // namespace

void LogDatabaseError(RunContext& run, const DbError& error) {
  run.log.Log(Format(kDatabaseError, error.description(), error.engineCode()));
}

bool ListWithheldCategoryPicturesStep(RunContext& run) {
  run.log.LogText(text::kListingUnusedCategoryPictures);
  PictureFolder& cats = run.Pictures(ShopSubfolder::Cats);
  const auto error = ForWithheld(*run.snapshot.categories, Eq("Include", false), [&](const CategoriesRow& row) {
    run.files.AddUnused(ShopSubfolder::Cats, FileNameOf(FindImageFile(kHeaderPattern, cats, row.ID)));
    run.files.AddUnused(ShopSubfolder::Cats, FileNameOf(FindImageFile(kButtonPattern, cats, row.ID)));
  });
  run.log.LogFormat(text::kUnusedCategoryPictureCount, static_cast<int>(run.files.Unused(ShopSubfolder::Cats).size()));
  run.log.LogText(text::kUnusedCategoryPicturesListed);
  return FinishWithheld(run, error);
}

bool ListWithheldProductPicturesStep(RunContext& run) {
  run.log.LogText(text::kListingUnusedProductPictures);
  const PreviewSettings& s = run.settings;
  std::vector<int32_t> withheld;
  const auto error = ForWithheld(*run.snapshot.products, Eq("Available", false),
                                 [&](const ProductsRow& row) { withheld.push_back(row.ID); });
  if (!withheld.empty()) {
    // Their thumbnails are kept up to date as well, so they are ready when published.
    PictureFolder& prods = run.Pictures(ShopSubfolder::Prods);
    PictureFolder& thumbs = run.Pictures(ShopSubfolder::Thumbs);
    ProductPictureQueue pictures(prods, thumbs, s.useThumbnails, s.thumbnailQuality, run.prompter,
                                 run.pictureWorkers);
    const size_t count = withheld.size();
    pictures.Start(std::move(withheld));
    for (size_t i = 0; i < count; ++i) {
      const ProductPictureQueue::Result found = pictures.Take();
      const ProductImageRefs& refs = found.refs;
      const std::string picture = refs.picture.substr(0, refs.picture.find('/'));
      const std::string thumbnail = refs.thumbnail.substr(0, refs.thumbnail.find('/'));
      const FileStamp* pictureStamp = found.picture ? &*found.picture : nullptr;
      if (!refs.unreadable.empty()) SetAsideUnreadablePicture(run, ShopSubfolder::Prods, refs.unreadable, pictureStamp);
      if (!picture.empty()) run.files.AddUnused(ShopSubfolder::Prods, picture, pictureStamp);
      if (!thumbnail.empty())
        run.files.AddUnused(ShopSubfolder::Thumbs, thumbnail, found.thumbnail ? &*found.thumbnail : nullptr);
    }
  }
  run.log.LogFormat(text::kUnusedProductPictureCount, static_cast<int>(run.files.Unused(ShopSubfolder::Prods).size()));
  run.log.LogFormat(text::kUnusedThumbnailCount, static_cast<int>(run.files.Unused(ShopSubfolder::Thumbs).size()));
  run.log.LogText(text::kUnusedProductPicturesListed);
  return FinishWithheld(run, error);
}

bool ListWithheldLinePicturesStep(RunContext& run) {
  run.log.LogText(text::kListingUnusedLinePictures);
  PictureFolder& lines = run.Pictures(ShopSubfolder::Lines);
  const auto error = ForWithheld(*run.snapshot.lines, Eq("Include", false), [&](const LinesRow& row) {
    run.files.AddUnused(ShopSubfolder::Lines, FileNameOf(FindImageFile(kHeaderPattern, lines, row.ID)));
    run.files.AddUnused(ShopSubfolder::Lines, FileNameOf(FindImageFile(kButtonPattern, lines, row.ID)));
  });
  run.log.LogFormat(text::kUnusedLinePictureCount, static_cast<int>(run.files.Unused(ShopSubfolder::Lines).size()));
  run.log.LogText(text::kUnusedLinePicturesListed);
  return FinishWithheld(run, error);
}

ShopGenerator::ShopGenerator(ShopDatabase& db, ShopPaths paths, GenerationLog& log, Prompter& prompter,
                             const Clock& clock)
    : db_(db), paths_(std::move(paths)), log_(log), prompter_(prompter), clock_(clock), chain_(GenerationChain()) {}

bool ShopGenerator::Start() {
  if (!IsDatabaseChanged()) {
    if (prompter_.AskYesNo(std::string(texts::kAskRegenerate), Answer::No, MessageIcon::Question) != Answer::Yes)
      return false;
    SetDatabaseChanged(true);
  }
  return Run();
}

void ShopGenerator::DeletePreviousOutput() {
  std::error_code ec;
  const fs::path data = paths_.Subfolder(ShopSubfolder::Data);
  for (const char* name : {"category.toc", "product.toc", "items.toc", "lines.toc", "index.toc", "category.idx",
                           "product.idx", "line.idx", "index.idx", "color.cnf", "config.cnf", "language.cnf"})
    fs::remove(data / name, ec);
  const fs::path cgi = paths_.Subfolder(ShopSubfolder::Cgi);
  // The CGI scripts under either extension: the merchant may have switched it since.
  for (const char* extension : {".cgi", ".pl"})
    for (int index : {0, 1}) fs::remove(cgi / ScriptFileName(index, extension), ec);
  for (const char* name : {"product.pm", "sales.pm", "webcode.pm", "olpcnf.pm", "Payvane.pm"}) fs::remove(cgi / name, ec);
}

namespace {

// A generation reads whole tables, each once: the large page cache kept for walks per
// parent would only cost memory. It comes back when the run ends.
class WholeTableReading {
 public:
  explicit WholeTableReading(ShopDatabase& db) : db_(db) { Set(ShopDatabase::Reading::WholeTables); }
  ~WholeTableReading() { Set(ShopDatabase::Reading::PerParent); }
  WholeTableReading(const WholeTableReading&) = delete;
  WholeTableReading& operator=(const WholeTableReading&) = delete;

 private:
  void Set(ShopDatabase::Reading reading) noexcept {
    try {
      if (db_.IsOpen()) db_.SetReading(reading);
    } catch (const DbError&) {
      // Only speed is at stake.
    }
  }
  ShopDatabase& db_;
};

}  // namespace

bool ShopGenerator::Run() {
  if (!IsDatabaseChanged()) return true;
  const WholeTableReading reading(db_);
  run_ = std::make_unique<RunContext>(db_, paths_, log_, prompter_, clock_, RunMode::Generation);
  RunContext& run = *run_;
  // Marked before the old output goes and cleared only by a run that finished well,
  // so that a failed or killed run never leaves output that looks servable.
  if (!paths_.incompleteRun.empty()) {
    std::error_code ec;
    fs::create_directories(paths_.folder, ec);
    std::ofstream(paths_.incompleteRun, std::ios::binary | std::ios::trunc) << "unvollständig\n";
  }
  DeletePreviousOutput();
  run.PrefetchPictures();
  log_.ClearList();
  log_.Log(clock_.LocalTimeText(std::string(texts::kBannerGenerating)));
  log_.SetRange(0, 18);
  log_.SetPosition(0);
  run.running = true;  // the snapshot step reads the tax mode and the last upload time

  bool ok = true;
  for (const RunStep& step : chain_) {
    if (!step.run(run)) {
      ok = false;
      break;
    }
  }
  run.running = false;
  run.SavePictureSizes();
  if (!ok) {
    run.snapshot.Close();
    log_.LogText(text::kGenerationAborted);
    SetDatabaseChanged(true);  // the next Generate runs without asking
    return false;
  }
  log_.Log(texts::kClosingTables);
  run.snapshot.Close();
  log_.Log(clock_.LocalTimeText(std::string(texts::kBannerGenerated)));
  run.totalSize = run.files.PublishedSize();
  std::error_code ec;
  if (!run.settings.server.startPage.empty()) {
    const auto entry = fs::file_size(paths_.folder / run.settings.server.startPage, ec);
    if (!ec) run.totalSize += entry;
  }
  log_.Log(Format(texts::kTotalSize, static_cast<long long>(run.totalSize)));
  log_.Log(texts::kReadyToPublish);
  // Not every step advances the bar (text-only shops skip the pictures): a finished run
  // shows it full.
  log_.SetPosition(log_.High());
  if (!paths_.incompleteRun.empty()) fs::remove(paths_.incompleteRun, ec);
  SetDatabaseChanged(false);
  return true;
}

}  // namespace vendora
