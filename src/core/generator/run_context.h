#pragma once
// What one generation (or preview) run works on: the shop, its snapshot of open
// record sets and settings rows, the derived page settings, the log, the file lists
// and the counters. Every step of the chain gets the context and returns true to go on.
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shop_paths.h"
#include "generator/file_lists.h"
#include "common/log.h"
#include "generator/page_settings.h"
#include "imaging/image_refs.h"
#include "shopdb/recordsets.h"

namespace vendora {

class Clock;
class Prompter;
class ShopDatabase;

// The tables a run opens once: list tables stay open as record sets that the steps
// filter and requery; settings tables are read into rows (their defaults when empty).
struct ShopSnapshot {
  std::unique_ptr<CRecSetCategories> categories;
  std::unique_ptr<CRecSetProducts> products;
  std::unique_ptr<CRecSetItems> items;
  std::unique_ptr<CRecSetIndex> index;
  std::unique_ptr<CRecSetProdLines> prodLines;
  std::unique_ptr<CRecSetTaxesByType> taxesByType;
  std::unique_ptr<CRecSetLines> lines;
  std::unique_ptr<CRecSetLanguage> language;
  WebServerRow webServer;
  InterfacesRow interfaces;
  OptionsRow options;
  CompanyRow company;
  PayvaneRow payvane;
  bool open = false;

  void Close();
};

// What the catalogue walk wrote: the products the shop shows (available, in an
// included category, with a published item) and their categories, each sorted. The
// product-line, index and entry-page steps ask it instead of reading the tables again.
struct ShownCatalogue {
  std::vector<int32_t> products, categories;
  // The shown products with an index entry, by entry and, within one, as the index
  // lists them: by [Order] (empty first), then as added.
  struct Indexed {
    int32_t entry;
    std::optional<int32_t> order;
    int32_t product;
    auto operator<=>(const Indexed&) const = default;
  };
  std::vector<Indexed> indexed;
  bool HasProduct(int32_t id) const { return std::binary_search(products.begin(), products.end(), id); }
};

struct CatalogueCounters {
  int categories = 0, products = 0, items = 0, lines = 0, indexEntries = 0;
};

struct RunContext {
  RunContext(ShopDatabase& db, ShopPaths paths, GenerationLog& log, Prompter& prompter, const Clock& clock,
             RunMode mode = RunMode::Generation);

  std::filesystem::path Folder(ShopSubfolder folder) const { return paths.Subfolder(folder); }
  // The picture folders, each listed once per run, sharing the run's size cache.
  PictureFolder& Pictures(ShopSubfolder folder);
  // Starts reading the picture folders in the background: a run looks at every file.
  void PrefetchPictures();
  // Keeps the picture sizes learnt for the next run (a failure costs only time).
  void SavePictureSizes();
  PictureFolder& PictureFolderOf(ShopSubfolder folder, bool prefetch);
  void LoadPictureSizes();

  ShopDatabase& db;
  ShopPaths paths;
  // Where the graphic sets live (the program folder of this user).
  std::filesystem::path programFolder;
  GenerationLog& log;
  Prompter& prompter;
  const Clock& clock;
  RunMode mode;

  ShopSnapshot snapshot;
  PreviewSettings settings;
  FileLists files;
  CatalogueCounters counters;
  std::optional<ShownCatalogue> shown;  // once the catalogue walk has run
  bool running = false;
  int32_t taxType = 0;     // Options.TaxType at the start of the run
  int32_t lastUpload = 0;  // Options.LastFTP at the start of the run
  std::string scriptExtension = ".cgi";
  uint64_t totalSize = 0;
  // Threads making thumbnails; 0: one per core. The output is the same for any number.
  int pictureWorkers = 0;
  std::array<std::unique_ptr<PictureFolder>, kShopSubfolderNames.size()> pictureFolders;
  PictureSizeCache pictureSizes;
  bool pictureSizesLoaded = false;
  std::future<void> pictureSizesLoading;  // while the sizes are read in the background
};

// One step of the chain: logs its lines, steps the progress bar once, returns false to
// end the run.
struct RunStep {
  std::string name;
  std::function<bool(RunContext&)> run;
};

}  // namespace vendora
