#include "generator/catalogue_files.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <filesystem>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/program_text.h"
#include "generator/generation.h"
#include "common/output_file.h"
#include "generator/page_settings.h"
#include "generator/picture_queue.h"
#include "generator/run_context.h"
#include "imaging/image_refs.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

namespace fs = std::filesystem;

// Own wording: no numbered text covers an unreadable picture.
constexpr std::string_view kPictureUnreadable =
    "Warnung: Das Bild \"%s\" kann nicht gelesen werden und wird nicht verwendet.";

struct DataFile {
  DataFile(std::string_view fileName, std::string_view creatingLine) : name(fileName), creating(creatingLine) {}

  std::string_view name;      // in the data folder
  std::string_view creating;  // the line announcing it
  OutputFile out;

  std::string DisplayName() const { return "data/" + std::string(name); }
};

bool Create(RunContext& run, DataFile& file) {
  run.log.Log(file.creating);
  return CreateGeneratedFile(file.out, run.Folder(ShopSubfolder::Data) / file.name, file.DisplayName(), run.log,
                             &run.prompter);
}

bool Finish(RunContext& run, DataFile& file) { return FinishGeneratedFile(file.out, file.DisplayName(), run.log); }

template <size_t N>
bool FinishAll(RunContext& run, std::array<DataFile, N>& files) {
  bool ok = true;
  for (DataFile& f : files) ok = Finish(run, f) && ok;
  return ok;
}

template <size_t N>
void PublishAll(RunContext& run, const std::array<DataFile, N>& files) {
  for (const DataFile& f : files) run.files.AddPublish(ShopSubfolder::Data, f.name);
}

void LogWritten(RunContext& run, std::string_view countLine, int count, const DataFile& file) {
  run.log.Log(Format(countLine, count, static_cast<long long>(file.out.Size())));
  run.log.Log(Format(texts::kFileWritten, file.DisplayName()));
}

// The walk writes a line per item and product of the catalogue: built field by field
// instead of through Format, which would read its pattern again for every line. The
// text is Format's: "%d", "%s", and "%.2f" correctly rounded with a decimal point.
class DataLine {
 public:
  DataLine& Key(int64_t v) {
    char buf[24];
    text_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    return Bar();
  }
  DataLine& Text(std::string_view s) {
    text_ += s;
    return Bar();
  }
  DataLine& Amount(float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 2);
    if (r.ec == std::errc()) text_.append(buf, r.ptr);
    else text_ += Format("%.2f", v);  // beyond any price; kept exact all the same
    return Bar();
  }
  // The line ends with the field separator, then the line feed.
  const std::string& End() {
    text_ += '\n';
    return text_;
  }

 private:
  DataLine& Bar() {
    text_ += '|';
    return *this;
  }
  std::string text_;
};

void AppendKey(std::string& list, int32_t key) {
  if (!list.empty()) list += ',';
  char buf[12];
  list.append(buf, std::to_chars(buf, buf + sizeof buf, key).ptr);
}

// Texts kept for a whole walk, in blocks that never move: one growing string would
// copy everything at every doubling.
class TextStore {
 public:
  std::string_view Add(std::string_view text) {
    if (blocks_.empty() || used_ + text.size() > kBlock) {
      blocks_.push_back(std::make_unique<char[]>(std::max(kBlock, text.size())));
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
  }
 private:
  static constexpr size_t kBlock = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0;
};

// --- Pictures ---------------------------------------------------------------------

// A reference names its file before the first "/".
std::string_view RefFile(std::string_view ref) { return ref.substr(0, ref.find('/')); }

// A shown picture is published and referenced; any other stays on the server unused
// and its field is written empty.
// `stamp` is the referenced file's, when known.
std::string UsePicture(RunContext& run, ShopSubfolder folder, const std::string& ref, bool show,
                       const FileStamp* stamp) {
  const std::string file(RefFile(ref));
  if (show) {
    run.files.AddPublish(folder, file, stamp);
    return ref;
  }
  run.files.AddUnused(folder, file, stamp);
  return {};
}

const FileStamp* Known(const std::optional<FileStamp>& stamp) { return stamp ? &*stamp : nullptr; }

struct PicturePair {
  std::string button, header;
};

// Categories and lines: both pictures are shown when the record is written and the shop
// is not text-only.
PicturePair UsePicturePair(RunContext& run, ShopSubfolder folder, int32_t id, bool written) {
  PictureFolder& dir = run.Pictures(folder);
  const bool show = written && !run.settings.textOnly;
  auto use = [&](const std::string& ref) {
    const std::string file(RefFile(ref));
    return UsePicture(run, folder, ref, show, file.empty() ? nullptr : dir.Stamp(file));
  };
  return {use(FindImageRef(kButtonPattern, dir, id)), use(FindImageRef(kHeaderPattern, dir, id))};
}

std::string ListLine(int32_t id, const std::string& name, const std::string& description, const PicturePair& pics) {
  return Format("%d|%s|%s|%s|%s|\n", id, HtmlEscape(name), TextToHtml(description), pics.button, pics.header);
}

// --- What the line and index steps may list --------------------------------------

}  // namespace

const ShownCatalogue& Shown(RunContext& run) {
  if (run.shown) return *run.shown;
  // Without a catalogue walk before (a step run on its own): from the tables, streamed.
  std::unordered_set<int32_t> included, withItem;
  CRecSetCategories categories(run.db);
  categories.SetFilter(Eq("Include", true));
  categories.ForEach([&](const CategoriesRow& row) { included.insert(row.ID); });
  CRecSetItems_ID items(run.db);
  items.SetFilter(Eq("Available", true));
  items.SetSort("");  // only membership counts
  items.ForEach([&](const ItemIdRow& row) { withItem.insert(row.ProductID); });
  ShownCatalogue shown;
  CRecSetProducts_Walk products(run.db);
  products.SetFilter(Eq("Available", true));
  products.SetSort("");
  products.ForEach([&](const ProductWalkRow& p) {
    if (!included.contains(p.CategoryID) || !withItem.contains(p.ID)) return;
    shown.products.push_back(p.ID);
    shown.categories.push_back(p.CategoryID);
    if (p.IndexID) shown.indexed.push_back({*p.IndexID, p.Order, p.ID});
  });
  for (auto* ids : {&shown.products, &shown.categories}) {
    std::sort(ids->begin(), ids->end());
    ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
  }
  std::sort(shown.indexed.begin(), shown.indexed.end());
  run.shown = std::move(shown);
  return *run.shown;
}

namespace {

// --- Categories, products and items ---------------------------------------------

enum CatalogueFile { kCategoryToc, kCategoryIdx, kProductToc, kProductIdx, kItemsToc };

class CatalogueWriter {
 public:
  CatalogueWriter(RunContext& run, std::array<DataFile, 5>& files)
      : run_(run), files_(files), kinds_(run.db), values_(run.db), memberships_(run.db) {}

  // False, with the missing table's line, when a lookup table cannot be opened.
  bool OpenLookups() {
    try {
      kinds_.Open();
      for (; !kinds_.IsEOF(); kinds_.MoveNext()) kindNames_.emplace(kinds_->ID, HtmlEscape(kinds_->Name));
    } catch (const DbError&) {
      run_.log.Log(texts::kMissingMainAttributes);
      return false;
    }
    try {
      values_.Open();
      for (; !values_.IsEOF(); values_.MoveNext()) valueNames_.emplace(values_->ID, HtmlEscape(values_->Name));
    } catch (const DbError&) {
      run_.log.Log(texts::kMissingSubAttributes);
      return false;
    }
    try {
      memberships_.OpenWithoutRows();
    } catch (const DbError&) {
      run_.log.Log(texts::kMissingProdLines);
      return false;
    }
    return true;
  }

  // Included categories, their available products, their available items, each in
  // [Order]. Throws DbError, before anything is written: the tables are read first.
  void Walk() {
    ShopSnapshot& s = run_.snapshot;
    if (run_.taxType == 2) {  // rates per tax type; otherwise the field stays empty
      CRecSetTaxesByType& taxes = *s.taxesByType;
      taxes.SetFilter({});
      taxes.Requery();
      for (; !taxes.IsEOF(); taxes.MoveNext()) taxRateTexts_.emplace(taxes->ID, Format("%.2f", taxes->Rate));
    }
    CRecSetIndex& index = *s.index;
    index.SetFilter({});
    index.Requery();
    for (; !index.IsEOF(); index.MoveNext()) indexNames_.emplace(index->ID, HtmlEscape(index->Name));
    LoadLineKeys();
    CRecSetCategories& categories = *s.categories;
    categories.SetFilter(Eq("Include", true));
    categories.SetSort("[Order]");
    categories.Requery();
    LoadProducts(categories);
    LoadItems();
    for (ShopSubfolder folder : {ShopSubfolder::Prods, ShopSubfolder::Thumbs})
      run_.files.ReservePublish(folder, products_.size());

    const PreviewSettings& settings = run_.settings;
    ProductPictureQueue pictures(run_.Pictures(ShopSubfolder::Prods), run_.Pictures(ShopSubfolder::Thumbs),
                                 settings.useThumbnails, settings.thumbnailQuality, run_.prompter,
                                 run_.pictureWorkers);
    pictures_ = &pictures;
    int itemsWritten = 0;
    std::exception_ptr itemError;
    const auto writeItems = [&] {
      try {
        itemsWritten = WriteItemFile();
      } catch (...) {
        itemError = std::current_exception();
      }
    };
    std::optional<std::jthread> itemWriter;
    try {
      itemWriter.emplace(writeItems);
    } catch (const std::system_error&) {
      writeItems();  // no thread to be had
    }
    auto first = products_.begin();
    int32_t position = 0;
    for (categories.MoveFirst(); !categories.IsEOF(); categories.MoveNext(), ++position) {
      auto last = std::find_if(first, products_.end(), [&](const Product& p) { return p.categoryPosition != position; });
      WriteCategory(*categories, first, last);
      first = last;
    }
    pictures_ = nullptr;
    if (itemWriter) itemWriter->join();
    run_.counters.items = itemsWritten;
    if (itemError) std::rethrow_exception(itemError);
    std::sort(shown_.products.begin(), shown_.products.end());
    std::sort(shown_.categories.begin(), shown_.categories.end());
    std::sort(shown_.indexed.begin(), shown_.indexed.end());
    run_.shown = std::move(shown_);
  }

 private:
  // A product of an included category as the walk needs it, its texts escaped for its
  // line.
  struct Product {
    int32_t ID, categoryPosition, TaxID, AttributeID1, AttributeID2;
    std::optional<int32_t> Order, IndexID;
    std::string_view name, longDescription, shortDescription;  // in texts_
  };
  using Products = std::deque<Product>;

  // Every available product of an included category, read in one pass in the table's
  // own order and then sorted as the walk shows them: by category, then by [Order]
  // (empty first), then as added. A sorted query per category costs the engine
  // several times the plain pass.
  void LoadProducts(CRecSetCategories& categories) {
    std::unordered_map<int32_t, int32_t> positions;  // of the included categories, in walk order
    for (int32_t n = 0; !categories.IsEOF(); categories.MoveNext(), ++n) positions.emplace(categories->ID, n);
    products_.clear();
    CRecSetProducts_Walk products(run_.db);
    products.SetFilter(Eq("Available", true));
    products.SetSort("");
    products.ForEach([&](const ProductWalkRow& row) {
      const auto category = positions.find(row.CategoryID);
      if (category == positions.end()) return;
      products_.push_back({row.ID, category->second, row.TaxID, row.AttributeID1, row.AttributeID2, row.Order,
                           row.IndexID, texts_.Add(HtmlEscape(row.Name)), texts_.Add(TextToHtml(row.LongDesc)),
                           texts_.Add(HtmlEscape(row.ShortDesc))});
    });
    std::sort(products_.begin(), products_.end(), [](const Product& a, const Product& b) {
      return std::tie(a.categoryPosition, a.Order, a.ID) < std::tie(b.categoryPosition, b.Order, b.ID);
    });
  }

  void WriteCategory(const CategoriesRow& category, Products::const_iterator first, Products::const_iterator last) {
    std::vector<int32_t> ids;
    for (auto it = first; it != last; ++it) ids.push_back(it->ID);
    pictures_->Start(std::move(ids));
    // Items are written as the walk goes; a product's own lines follow as soon as its
    // pictures are ready, in walk order, so the walk never waits for the pictures.
    std::string keys;
    pending_.clear();
    for (auto it = first; it != last; ++it) {
      pending_.push_back(WithItems(*it));
      if (!pending_.back().keys.empty()) AppendKey(keys, it->ID);
      WriteReadyProducts(false);
    }
    WriteReadyProducts(true);
    const bool written = !keys.empty();
    const PicturePair pics = UsePicturePair(run_, ShopSubfolder::Cats, category.ID, written);
    if (!written) return;
    files_[kCategoryIdx].out.Write(Format("%d|%s\n", category.ID, keys));
    files_[kCategoryToc].out.Write(ListLine(category.ID, category.Name, category.Description, pics));
    ++run_.counters.categories;
    shown_.categories.push_back(category.ID);
  }

  // A product whose items are written and whose pictures are being looked at.
  struct PendingProduct {
    const Product* product;
    std::string keys = {};  // of its published items; empty: the product is not written
    bool weighed = false, ownShipping = false;
  };

  // The product with what its items tell; their lines are the item writer's.
  PendingProduct WithItems(const Product& product) const {
    PendingProduct p{&product};
    const auto [first, last] = std::equal_range(items_.begin(), items_.end(), product.ID, ByProduct{});
    for (auto it = first; it != last; ++it) {
      AppendKey(p.keys, it->ID);
      p.weighed = p.weighed || it->Weight != 0;
      p.ownShipping = p.ownShipping || it->Shipping != 0;
    }
    return p;
  }

  // items.toc in walk order. It needs neither the pictures nor the other files, so it
  // is written on a thread of its own beside them. Returns the lines written.
  int WriteItemFile() const {
    int written = 0;
    OutputFile& out = files_[kItemsToc].out;
    for (const Product& product : products_) {
      const auto [first, last] = std::equal_range(items_.begin(), items_.end(), product.ID, ByProduct{});
      for (auto it = first; it != last; ++it, ++written)
        out.Write(DataLine()
                      .Key(it->ID)
                      .Text(it->number)
                      .Text(ValueName(it->SubAttrID1))
                      .Text(ValueName(it->SubAttrID2))
                      .Amount(it->Weight)
                      .Amount(it->Shipping)
                      .Amount(it->MPrice)
                      .Amount(it->SPrice)
                      .Key(it->ProductID)
                      .End());
    }
    return written;
  }

  // Writes the products whose pictures are ready, in walk order; with `all`, waits for
  // the rest.
  void WriteReadyProducts(bool all) {
    while (!pending_.empty()) {
      std::optional<ProductPictureQueue::Result> found = all ? pictures_->Take() : pictures_->TryTake();
      if (!found) return;
      WriteProduct(pending_.front(), *found);
      pending_.pop_front();
    }
  }

  // Also for a product that is not written: its thumbnail is kept up to date and both
  // files are listed as unused.
  void WriteProduct(const PendingProduct& p, const ProductPictureQueue::Result& found) {
    const PreviewSettings& s = run_.settings;
    const bool written = !p.keys.empty();
    if (!found.refs.unreadable.empty())
      SetAsideUnreadablePicture(run_, ShopSubfolder::Prods, found.refs.unreadable, Known(found.picture));
    const std::string picture = UsePicture(run_, ShopSubfolder::Prods, found.refs.picture,
                                           written && !s.textOnly && s.generateDetails, Known(found.picture));
    const std::string thumbnail = UsePicture(run_, ShopSubfolder::Thumbs, found.refs.thumbnail,
                                             written && !s.textOnly && s.useThumbnails, Known(found.thumbnail));
    if (!written) return;

    const Product& product = *p.product;
    files_[kProductIdx].out.Write(Format("%d|%s\n", product.ID, p.keys));
    files_[kProductToc].out.Write(DataLine()
                                      .Key(product.ID)
                                      .Text(product.name)
                                      .Text(product.longDescription)
                                      .Text(product.shortDescription)
                                      .Text(thumbnail)
                                      .Text(picture)
                                      .Text(KindName(product.AttributeID1))
                                      .Text(KindName(product.AttributeID2))
                                      .Text(TaxRate(product.TaxID))
                                      .Text(p.weighed ? "1" : "0")
                                      .Text(p.ownShipping ? "1" : "0")
                                      .Text(IndexName(product.IndexID))
                                      .Text(LineKeys(product.ID))
                                      .End());
    ++run_.counters.products;
    shown_.products.push_back(product.ID);
    if (product.IndexID) shown_.indexed.push_back({*product.IndexID, product.Order, product.ID});
  }

  // Looked up in tables read once: a query per line would cost more than the line.
  // Sentinel names are a single blank, which the escaping trims to nothing.
  using Names = std::unordered_map<int32_t, std::string>;
  static const std::string& Lookup(const Names& names, int32_t id) {
    static const std::string none;
    auto it = names.find(id);
    return it == names.end() ? none : it->second;
  }
  const std::string& KindName(int32_t id) const { return Lookup(kindNames_, id); }
  const std::string& ValueName(int32_t id) const { return Lookup(valueNames_, id); }
  const std::string& IndexName(const std::optional<int32_t>& id) const {
    static const std::string none;
    return id ? Lookup(indexNames_, *id) : none;
  }
  const std::string& TaxRate(int32_t id) const { return Lookup(taxRateTexts_, id); }

  // Every line each product belongs to, included or not (the shop script shows only
  // those it finds in lines.toc), read in one pass: a query per product would cost
  // more than the whole table.
  void LoadLineKeys() {
    CRecSetProdLines& memberships = *run_.snapshot.prodLines;
    memberships.SetFilter({});
    memberships.SetSort("[Order]");
    lineKeys_.clear();
    memberships.ForEach([&](const ProdLinesRow& row) { AppendKey(lineKeys_[row.ProductID], row.LineID); });
  }

  const std::string& LineKeys(int32_t productId) const {
    static const std::string none;
    auto it = lineKeys_.find(productId);
    return it == lineKeys_.end() ? none : it->second;
  }

  // A published item as the walk needs it.
  struct Item {
    int32_t ID, ProductID, Order, SubAttrID1, SubAttrID2;
    float Weight, Shipping, MPrice, SPrice;
    std::string_view number;  // escaped, in texts_
  };
  struct ByProduct {
    bool operator()(const Item& item, int32_t id) const { return item.ProductID < id; }
    bool operator()(int32_t id, const Item& item) const { return id < item.ProductID; }
  };

  // Every available item, read in one pass in the table's own order and then sorted by
  // product and [Order] (equal orders in the order the rows were added, the row ID):
  // a sorted query per product or per category costs the engine several times the
  // plain pass. Only what the lines need is kept.
  void LoadItems() {
    CRecSetItems& items = *run_.snapshot.items;
    items.SetFilter(Eq("Available", true));
    items.SetSort("");
    items_.clear();
    items.ForEach([&](const ItemsRow& row) {
      items_.push_back({row.ID, row.ProductID, row.Order, row.SubAttrID1, row.SubAttrID2, row.Weight, row.Shipping,
                        row.MPrice, row.SPrice, texts_.Add(HtmlEscape(row.ItemNumber))});
    });
    std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
      return std::tie(a.ProductID, a.Order, a.ID) < std::tie(b.ProductID, b.Order, b.ID);
    });
  }


  RunContext& run_;
  std::array<DataFile, 5>& files_;
  // Deques: they grow without copying, and they hold every product and item.
  Products products_;
  std::deque<Item> items_;
  TextStore texts_;
  CRecSetMainAttributes kinds_;
  CRecSetSubAttributes values_;
  Names kindNames_, valueNames_, indexNames_, taxRateTexts_;  // escaped, by ID
  CRecSetProdLines_LineID memberships_;
  std::unordered_map<int32_t, std::string> lineKeys_;
  ProductPictureQueue* pictures_ = nullptr;  // while the walk runs
  std::deque<PendingProduct> pending_;
  ShownCatalogue shown_;
};

}  // namespace

void SetAsideUnreadablePicture(RunContext& run, ShopSubfolder folder, const std::string& fileName,
                               const FileStamp* stamp) {
  const std::string name(kShopSubfolderNames[static_cast<size_t>(folder)]);
  run.log.Log(Format(kPictureUnreadable, name + "/" + fileName));
  run.files.AddUnused(folder, fileName, stamp);
}

bool WriteCatalogueStep(RunContext& run) {
  std::array<DataFile, 5> files{{{"category.toc", texts::kCreatingCategoryToc},
                                 {"category.idx", texts::kCreatingCategoryIdx},
                                 {"product.toc", texts::kCreatingProductToc},
                                 {"product.idx", texts::kCreatingProductIdx},
                                 {"items.toc", texts::kCreatingItemsToc}}};
  for (DataFile& f : files)
    if (!Create(run, f)) return false;

  CatalogueWriter writer(run, files);
  if (!writer.OpenLookups()) return false;

  CatalogueCounters& n = run.counters;
  n.categories = n.products = n.items = 0;
  run.shown.reset();
  bool walked = true;
  try {
    writer.Walk();
  } catch (const DbError& e) {
    LogDatabaseError(run.log, e);
    walked = false;
  }
  const bool flushed = FinishAll(run, files);

  LogWritten(run, texts::kItemsWritten, n.items, files[kItemsToc]);
  LogWritten(run, texts::kProductsWritten, n.products, files[kProductIdx]);
  LogWritten(run, texts::kProductsWritten, n.products, files[kProductToc]);
  LogWritten(run, texts::kCategoryIndexWritten, n.categories, files[kCategoryIdx]);
  LogWritten(run, texts::kCategoriesWritten, n.categories, files[kCategoryToc]);
  if (n.categories == 0) run.log.Log(texts::kNoCategories);
  if (n.products == 0) run.log.Log(texts::kNoProducts);
  if (n.items == 0) run.log.Log(texts::kNoItems);

  if (!walked || !flushed) return false;
  PublishAll(run, files);
  run.log.Step();
  return n.categories > 0;
}

bool WriteProductLinesStep(RunContext& run) {
  enum { kLinesToc, kLineIdx };
  std::array<DataFile, 2> files{
      {{"lines.toc", texts::kCreatingLinesToc}, {"line.idx", texts::kCreatingLineIdx}}};
  for (DataFile& f : files)
    if (!Create(run, f)) return false;

  int& written = run.counters.lines;
  written = 0;
  bool walked = true;
  try {
    const ShownCatalogue& shown = Shown(run);

    CRecSetLines& lines = *run.snapshot.lines;
    CRecSetProdLines& memberships = *run.snapshot.prodLines;
    lines.SetFilter(Eq("Include", true));
    lines.SetSort("[ID]");
    lines.Requery();
    for (; !lines.IsEOF(); lines.MoveNext()) {
      const LinesRow& line = *lines;
      memberships.SetFilter(Eq("LineID", line.ID));
      memberships.SetSort("[Order]");
      memberships.Requery();
      std::string keys;
      for (; !memberships.IsEOF(); memberships.MoveNext())
        if (shown.HasProduct(memberships->ProductID)) AppendKey(keys, memberships->ProductID);
      const PicturePair pics = UsePicturePair(run, ShopSubfolder::Lines, line.ID, !keys.empty());
      if (keys.empty()) continue;
      files[kLineIdx].out.Write(Format("%d|%s\n", line.ID, keys));
      files[kLinesToc].out.Write(ListLine(line.ID, line.Name, line.Description, pics));
      ++written;
    }
  } catch (const DbError& e) {
    LogDatabaseError(run.log, e);
    walked = false;
  }
  const bool flushed = FinishAll(run, files);

  LogWritten(run, texts::kLinesWritten, written, files[kLineIdx]);
  LogWritten(run, texts::kLinesWritten, written, files[kLinesToc]);
  if (written == 0) run.log.Log(texts::kNoLines);

  if (!walked || !flushed) return false;
  PublishAll(run, files);
  run.log.Step();
  return true;
}

bool WriteIndexStep(RunContext& run) {
  enum { kIndexToc, kIndexIdx };
  std::array<DataFile, 2> files{
      {{"index.toc", texts::kCreatingIndexToc}, {"index.idx", texts::kCreatingIndexIdx}}};
  for (DataFile& f : files)
    if (!Create(run, f)) return false;

  int& written = run.counters.indexEntries;
  written = 0;
  bool walked = true;
  try {
    const ShownCatalogue& shown = Shown(run);
    CRecSetIndex& entries = *run.snapshot.index;
    entries.SetFilter(Ne("Name", " "));
    entries.SetSort("[Name]");
    entries.Requery();
    for (; !entries.IsEOF(); entries.MoveNext()) {
      const IndexRow& entry = *entries;
      const auto first = std::lower_bound(shown.indexed.begin(), shown.indexed.end(), entry.ID,
                                          [](const ShownCatalogue::Indexed& p, int32_t id) { return p.entry < id; });
      std::string keys;
      for (auto it = first; it != shown.indexed.end() && it->entry == entry.ID; ++it) AppendKey(keys, it->product);
      if (keys.empty()) continue;
      files[kIndexIdx].out.Write(Format("%d|%s\n", entry.ID, keys));
      files[kIndexToc].out.Write(Format("%d|%s\n", entry.ID, HtmlEscape(entry.Name)));
      ++written;
    }
  } catch (const DbError& e) {
    LogDatabaseError(run.log, e);
    walked = false;
  }
  run.settings.indexEntryCount = written;
  const bool flushed = FinishAll(run, files);

  LogWritten(run, texts::kIndexWritten, written, files[kIndexIdx]);
  LogWritten(run, texts::kIndexWritten, written, files[kIndexToc]);
  if (written == 0) run.log.Log(texts::kNoIndexEntries);

  if (!walked || !flushed) return false;
  PublishAll(run, files);
  run.log.Step();
  return true;
}

}  // namespace vendora
