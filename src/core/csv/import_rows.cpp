// Applying the rows to the shop: matching what it holds, adding and changing categories, products, items and what they name.
#include "csv/importer.h"

#include <algorithm>
#include <tuple>

#include "common/text_format.h"
#include "shopdb/db_error.h"

namespace vendora::catalogue_import {

namespace {

bool SameCategory(const CategoriesRow& a, const CategoriesRow& b) {
  return std::tie(a.Include, a.Name, a.Order, a.Description) == std::tie(b.Include, b.Name, b.Order, b.Description);
}
bool SameProduct(const ProductsRow& a, const ProductsRow& b) {
  return std::tie(a.Name, a.TaxID, a.CategoryID, a.Order, a.IndexID, a.ShortDesc, a.LongDesc, a.AttributeID1,
                  a.AttributeID2, a.Available) == std::tie(b.Name, b.TaxID, b.CategoryID, b.Order, b.IndexID,
                                                           b.ShortDesc, b.LongDesc, b.AttributeID1, b.AttributeID2,
                                                           b.Available);
}
bool SameItem(const ItemsRow& a, const ItemsRow& b) {
  return std::tie(a.ItemNumber, a.SubAttrID1, a.SubAttrID2, a.Weight, a.MPrice, a.SPrice, a.Shipping, a.Available) ==
         std::tie(b.ItemNumber, b.SubAttrID1, b.SubAttrID2, b.Weight, b.MPrice, b.SPrice, b.Shipping, b.Available);
}
// Writes the changed row through one set per table, re-bound to each row's key.
template <class Set, class Row>
void UpdateRow(Set& set, const Row& row) {
  set.SetFilter(Eq("ID", row.ID));
  set.Requery();
  if (set.IsEOF()) throw DbError(DbFrameworkError::None, 0, "Der Datensatz wurde inzwischen gelöscht.");
  set.Edit();
  *set = row;
  set.Update();
}
std::string Key(int32_t parent, std::string_view name) {
  std::string key = std::to_string(parent);
  key += '\x1f';
  key += name;
  return key;
}

}  // namespace

void Importer::Prepare() {
  if (options_.mode == ImportMode::Replace) RemoveCatalogue();
  rules_ = std::make_unique<CatalogueRules>(db_);
  categorySet_ = std::make_unique<CRecSetCategories>(db_);
  productSet_ = std::make_unique<CRecSetProducts>(db_);
  itemSet_ = std::make_unique<CRecSetItems>(db_);
  taxSet_ = std::make_unique<CRecSetTaxesByType>(db_);
  LoadExisting();
}
void Importer::RemoveCatalogue() {
  CRecSetProducts_IDs products(db_);
  products.ForEach([&](const ProductIdsRow& p) { removedProducts_.push_back(p.ID); });
  CRecSetItems_ID items(db_);
  items.ForEach([&](const ItemIdRow&) { ++report_.items.removed; });
  report_.products.removed = static_cast<int>(removedProducts_.size());
  // Deleting a category takes its products, their items and memberships with it.
  CRecSetCategories categories(db_);
  categories.Open();
  for (categories.MoveFirst(); !categories.IsEOF(); categories.MoveNext()) {
    removedCategories_.push_back(categories->ID);
    categories.Delete();
  }
  report_.categories.removed = static_cast<int>(removedCategories_.size());
  CRecSetLines lines(db_);
  lines.Open();
  for (lines.MoveFirst(); !lines.IsEOF(); lines.MoveNext()) {
    removedLines_.push_back(lines->ID);
    lines.Delete();
  }
  CRecSetIndex index(db_);
  index.SetFilter(Ne("Name", " "));
  index.Open();
  for (index.MoveFirst(); !index.IsEOF(); index.MoveNext()) index.Delete();
  CRecSetMainAttributes kinds(db_);
  kinds.SetFilter(Ne("Name", " "));
  kinds.Open();
  for (kinds.MoveFirst(); !kinds.IsEOF(); kinds.MoveNext()) kinds.Delete();
}
void Importer::LoadExisting() {
  CRecSetTaxesByType taxes(db_);
  taxes.ForEach([&](const TaxesByTypeRow& t) {
    if (t.Type != " ") taxes_.try_emplace(t.Type, t.ID, t.Rate);
  });
  CRecSetIndex index(db_);
  index.ForEach([&](const IndexRow& i) {
    if (i.Name != " ") indexEntries_.try_emplace(i.Name, i.ID);
  });
  CRecSetMainAttributes kinds(db_);
  kinds.ForEach([&](const MainAttributesRow& k) {
    if (k.Name != " ") kinds_.try_emplace(k.Name, k.ID);
  });
  CRecSetSubAttributes values(db_);
  values.ForEach([&](const SubAttributesRow& v) {
    if (v.Name != " ") values_.try_emplace(Key(v.MainAttrID, v.Name), v.ID);
  });
  CRecSetLines lines(db_);
  lines.ForEach([&](const LinesRow& l) { lines_.try_emplace(l.Name, l.ID); });
  if (options_.mode == ImportMode::Replace) return;
  // Of several rows with the same name the first in list order is the one matched.
  CRecSetCategories categories(db_);
  categories.ForEach([&](const CategoriesRow& c) { existingCategories_.try_emplace(c.Name, c); });
  CRecSetProducts products(db_);
  products.SetSort("[CategoryID], [Order]");
  products.ForEach([&](const ProductsRow& p) { existingProducts_.try_emplace(Key(p.CategoryID, p.Name), p); });
  CRecSetItems items(db_);
  items.SetSort("[ProductID], [Order]");
  items.ForEach([&](const ItemsRow& i) { existingItems_[i.ProductID].push_back(i); });
  CRecSetProdLines members(db_);
  members.SetSort("[ID]");
  members.ForEach([&](const ProdLinesRow& m) { existingLines_[m.ProductID].push_back(m.LineID); });
}
std::vector<std::string> Importer::LevelCells(const CsvRecord& record, Level level) const {
  std::vector<std::string> cells;
  for (const CsvColumnDef& def : CsvColumns())
    if (Has(def.column) && LevelOf(def.column) == level) cells.emplace_back(Trim(Cell(record, def.column)));
  return cells;
}
// A later row of a category or product: its cells must be empty or repeat the first row's.
bool Importer::Repeats(const CsvRecord& record, Level level, RecordState& state) {
  bool same = true;
  size_t k = 0;
  for (const CsvColumnDef& def : CsvColumns()) {
    if (!Has(def.column) || LevelOf(def.column) != level) continue;
    const std::string_view cell = Trim(Cell(record, def.column));
    const std::string& first = state.cells[k++];
    if (cell.empty() || cell == first) continue;
    Fail(record.line, def.column,
         Format("„%s“ widerspricht Zeile %d („%s“).", std::string(cell), state.firstLine, first));
    same = false;
  }
  return same;
}
RecordState* Importer::CategoryFor(const CsvRecord& record) {
  const std::string name(Cell(record, C::CategoryName));
  auto [it, fresh] = categories_.try_emplace(name);
  RecordState& state = it->second;
  if (!fresh) return Repeats(record, Level::Category, state) && state.id ? &state : nullptr;
  state.firstLine = record.line;
  state.cells = LevelCells(record, Level::Category);

  CategoriesRow row;
  auto existing = existingCategories_.find(name);
  const bool found = existing != existingCategories_.end();
  if (found) {
    row = existing->second;
  } else {
    row = rules_->NewCategory();
    row.Name = name;
  }
  const CategoriesRow before = row;
  if (!Empty(record, C::CategoryOrder)) row.Order = *ParseWhole(Cell(record, C::CategoryOrder));
  if (Has(C::CategoryDescription)) row.Description = std::string(Cell(record, C::CategoryDescription));
  if (!Empty(record, C::CategoryIncluded)) row.Include = *ParseFlag(Cell(record, C::CategoryIncluded));
  bool changed = false;
  if (!found) {
    state.id = rules_->Add(row);
  } else {
    state.id = row.ID;
    changed = !SameCategory(row, before);
    if (changed) UpdateRow(*categorySet_, row);
  }
  changed |= Picture(record, C::CategoryButton, ShopSubfolder::Cats, kButtonPattern, state.id);
  changed |= Picture(record, C::CategoryHeading, ShopSubfolder::Cats, kHeaderPattern, state.id);
  RecordCounts& counts = report_.categories;
  ++(!found ? counts.added : changed ? counts.changed : counts.unchanged);
  return &state;
}
std::optional<int32_t> Importer::TaxFor(const CsvRecord& record) {
  const std::string name(Trim(Cell(record, C::TaxType)));
  const std::string_view rateCell = Cell(record, C::TaxRate);
  const bool hasRate = !Trim(rateCell).empty();
  const float rate = hasRate ? ParseNumber(rateCell).value_or(0) : 0;
  if (auto it = taxes_.find(name); it != taxes_.end()) {
    if (hasRate && rate != it->second.second && !warnedRates_[name]) {
      warnedRates_[name] = true;
      Warn(Format("Die Steuerart „%s“ hat in diesem Shop den Satz %s; der Satz %s aus Zeile %d wird nicht übernommen.",
                  name, NumberText(it->second.second, true), NumberText(rate, true), record.line));
    }
    return it->second.first;
  }
  if (!hasRate) {
    Fail(record.line, C::TaxType,
         Format("Die Steuerart „%s“ gibt es in diesem Shop nicht; ohne ihren Satz in der Spalte „Steuersatz“ kann "
                "sie nicht angelegt werden.",
                name));
    return std::nullopt;
  }
  if (!taxSet_->IsOpen()) taxSet_->OpenForAppend();
  taxSet_->AddNew();
  (*taxSet_)->Type = name;
  (*taxSet_)->Rate = rate;
  taxSet_->Update();
  ++report_.taxTypesAdded;
  const int32_t id = (*taxSet_)->ID;
  taxes_.emplace(name, std::pair{id, rate});
  return id;
}
int32_t Importer::IndexFor(std::string_view name) {
  if (name.empty()) return rules_->NoIndexEntry();
  auto [it, fresh] = indexEntries_.try_emplace(std::string(name), 0);
  if (fresh) {
    it->second = rules_->AddIndexEntry(std::string(name));
    ++report_.indexEntriesAdded;
  }
  return it->second;
}
int32_t Importer::KindFor(std::string_view name) {
  if (name.empty()) return rules_->NoAttributeKind();
  auto [it, fresh] = kinds_.try_emplace(std::string(name), 0);
  if (fresh) {
    it->second = rules_->AddAttributeKind(std::string(name));
    ++report_.kindsAdded;
  }
  return it->second;
}
int32_t Importer::ValueFor(int32_t kind, std::string_view name) {
  if (name.empty()) return rules_->NoValueOf(kind);
  auto [it, fresh] = values_.try_emplace(Key(kind, name), 0);
  if (fresh) {
    it->second = rules_->AddAttributeValue(kind, std::string(name));
    ++report_.valuesAdded;
  }
  return it->second;
}
int32_t Importer::LineFor(const std::string& name) {
  auto [it, fresh] = lines_.try_emplace(name, 0);
  if (fresh) {
    LinesRow line = rules_->NewLine();
    line.Name = name;
    it->second = rules_->Add(std::move(line));
    ++report_.linesAdded;
  }
  return it->second;
}
// The product's lines become exactly those named, in that order for new memberships.
bool Importer::SetLines(const CsvRecord& record, ProductState& product, bool existing) {
  if (!Has(C::ProductLines)) return false;
  std::vector<int32_t> wanted;
  for (const std::string& name : SplitLineNames(Cell(record, C::ProductLines))) {
    const int32_t line = LineFor(name);
    if (std::find(wanted.begin(), wanted.end(), line) == wanted.end()) wanted.push_back(line);
  }
  std::vector<int32_t> current;
  if (existing)
    if (auto it = existingLines_.find(product.id); it != existingLines_.end()) current = it->second;
  bool changed = false;
  for (int32_t line : current)
    if (std::find(wanted.begin(), wanted.end(), line) == wanted.end())
      changed |= rules_->RemoveFromLine(line, product.id);
  for (int32_t line : wanted) changed |= rules_->AddToLine(line, product.id, product.row.Name);
  return changed;
}
ProductState* Importer::ProductFor(const CsvRecord& record, const RecordState& category) {
  const std::string name(Cell(record, C::ProductName));
  const std::string key = Key(category.id, name);
  auto [it, fresh] = products_.try_emplace(key);
  ProductState& state = it->second;
  if (!fresh) return Repeats(record, Level::Product, state) && state.id ? &state : nullptr;
  state.firstLine = record.line;
  state.cells = LevelCells(record, Level::Product);

  ProductsRow& row = state.row;
  auto existing = existingProducts_.find(key);
  const bool found = existing != existingProducts_.end();
  if (found) {
    row = existing->second;
  } else {
    row = rules_->NewProduct(category.id);
    row.Name = name;
  }
  ProductsRow before = row;
  if (!Empty(record, C::TaxType)) {
    const std::optional<int32_t> tax = TaxFor(record);
    if (!tax) return nullptr;
    row.TaxID = *tax;
  }
  if (!Empty(record, C::ProductOrder)) row.Order = *ParseWhole(Cell(record, C::ProductOrder));
  if (Has(C::ShortDesc)) row.ShortDesc = std::string(Cell(record, C::ShortDesc));
  if (Has(C::LongDesc)) row.LongDesc = std::string(Cell(record, C::LongDesc));
  if (Has(C::IndexEntry)) row.IndexID = IndexFor(Trim(Cell(record, C::IndexEntry)));
  if (!Empty(record, C::ProductAvailable)) row.Available = *ParseFlag(Cell(record, C::ProductAvailable));
  const int32_t kind1 = Has(C::Kind1) ? KindFor(Trim(Cell(record, C::Kind1))) : row.AttributeID1;
  const int32_t kind2 = Has(C::Kind2) ? KindFor(Trim(Cell(record, C::Kind2))) : row.AttributeID2;
  bool changed = false;
  if (!found) {
    row.AttributeID1 = kind1;
    row.AttributeID2 = kind2;
    row.ID = rules_->Add(row);
  } else {
    // Another kind resets the values of all the product's items, as on the page.
    std::vector<ItemsRow>& items = existingItems_[row.ID];
    for (auto [which, kind] : {std::pair{1, kind1}, std::pair{2, kind2}}) {
      int32_t& current = which == 1 ? row.AttributeID1 : row.AttributeID2;
      if (current == kind) continue;
      rules_->SetAttributeKind(row.ID, which, kind);
      current = kind;
      changed = true;
      for (ItemsRow& item : items) (which == 1 ? item.SubAttrID1 : item.SubAttrID2) = rules_->NoValueOf(kind);
    }
    before.AttributeID1 = row.AttributeID1;
    before.AttributeID2 = row.AttributeID2;
    if (!SameProduct(row, before)) {
      UpdateRow(*productSet_, row);
      changed = true;
    }
    for (ItemsRow& item : items) state.items[item.ItemNumber].push_back(item);
    existingItems_.erase(row.ID);
  }
  state.id = row.ID;
  changed |= SetLines(record, state, found);
  changed |= Picture(record, C::ProductPicture, ShopSubfolder::Prods, kImagePattern, state.id);
  RecordCounts& counts = report_.products;
  ++(!found ? counts.added : changed ? counts.changed : counts.unchanged);
  return &state;
}
// An item number names one item of its product (see NewItemNumber); a number the shop
// already has twice leaves open which item the row means.
void Importer::ItemFor(const CsvRecord& record, ProductState& product) {
  const std::string number(Cell(record, C::ItemNumber));
  ItemsRow row;
  bool found = false;
  if (auto it = product.items.find(number); it != product.items.end()) {
    if (it->second.size() > 1) {
      Fail(record.line, C::ItemNumber,
           Format("Das Produkt „%s“ hat im Shop %d Artikel mit der Nummer „%s“; die Zeile lässt sich keinem davon "
                  "zuordnen. Geben Sie ihnen im Shop zuerst verschiedene Nummern.",
                  product.row.Name, static_cast<int>(it->second.size()), number));
      return;
    }
    row = it->second.front();
    found = true;
  } else {
    row = rules_->NewItem(product.row);
    row.ItemNumber = number;
  }
  const ItemsRow before = row;
  for (auto [column, kindColumn, kind, value] :
       {std::tuple{C::Value1, C::Kind1, product.row.AttributeID1, &row.SubAttrID1},
        std::tuple{C::Value2, C::Kind2, product.row.AttributeID2, &row.SubAttrID2}}) {
    if (!Has(column)) continue;
    const std::string_view name = Trim(Cell(record, column));
    if (!name.empty() && kind == rules_->NoAttributeKind()) {
      Fail(record.line, column,
           Format("Das Produkt hat kein %s; der Wert „%s“ kann keinem Attribut gehören.",
                  std::string(ColumnDef(kindColumn).header), std::string(name)));
      return;
    }
    *value = ValueFor(kind, name);
  }
  for (auto [column, field] : {std::pair{C::Weight, &row.Weight}, std::pair{C::Shipping, &row.Shipping},
                               std::pair{C::MPrice, &row.MPrice}, std::pair{C::SPrice, &row.SPrice}})
    if (!Empty(record, column)) *field = *ParseNumber(Cell(record, column));
  if (!Empty(record, C::ItemAvailable)) row.Available = *ParseFlag(Cell(record, C::ItemAvailable));
  RecordCounts& counts = report_.items;
  if (!found) {
    rules_->Add(row);
    ++counts.added;
  } else if (!SameItem(row, before)) {
    UpdateRow(*itemSet_, row);
    ++counts.changed;
  } else {
    ++counts.unchanged;
  }
}

}  // namespace vendora::catalogue_import
