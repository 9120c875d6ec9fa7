#include "rules/catalogue_rules.h"

#include <algorithm>

#include "shopdb/default_rows.h"

namespace vendora {

namespace {

int32_t NextIn(const std::unordered_map<int32_t, int32_t>& lists, int32_t parent) {
  auto it = lists.find(parent);
  return OrderAfter(it == lists.end() ? std::nullopt : std::optional<int32_t>(it->second));
}

void Note(std::unordered_map<int32_t, int32_t>& lists, int32_t parent, int32_t order) {
  auto [it, added] = lists.try_emplace(parent, order);
  if (!added) it->second = std::max(it->second, order);
}

void Note(std::optional<int32_t>& last, int32_t order) { last = last ? std::max(*last, order) : order; }

// Appends through a set opened for adding only, and returns the new key.
template <class Set, class Row>
int32_t Append(Set& set, Row row) {
  if (!set.IsOpen()) set.OpenForAppend();
  set.AddNew();
  *set = std::move(row);
  set.Update();
  return set->ID;
}

}  // namespace

int32_t OrderAfter(std::optional<int32_t> lastOrder) { return lastOrder ? *lastOrder + 1 : 0; }

CategoriesRow DefaultCategory(int32_t order) {
  CategoriesRow row;
  row.Name = std::string(kNewCategoryName);
  row.Include = true;
  row.Order = order;
  return row;
}

LinesRow DefaultLine(int32_t order) {
  LinesRow row;
  row.Name = std::string(kNewLineName);
  row.Include = true;
  row.Order = order;
  return row;
}

ProductsRow DefaultProduct(int32_t category, int32_t order, int32_t taxType, int32_t noIndex, int32_t noKind) {
  ProductsRow row;
  row.Name = std::string(kNewProductName);
  row.CategoryID = category;
  row.Order = order;
  row.Available = true;
  row.TaxID = taxType;
  row.IndexID = noIndex;
  row.AttributeID1 = row.AttributeID2 = noKind;
  return row;
}

ItemsRow DefaultItem(int32_t product, int32_t order, int32_t value1, int32_t value2) {
  ItemsRow row;
  row.ItemNumber = std::string(kNewItemNumber);
  row.ProductID = product;
  row.Order = order;
  row.Available = true;
  row.SubAttrID1 = value1;
  row.SubAttrID2 = value2;
  return row;
}

int32_t NewProductTaxType(const OptionsRow& options, int32_t noTax) {
  return options.TaxType == 2 && options.DefTaxTypeID != 0 ? options.DefTaxTypeID : noTax;
}

CatalogueSentinels EnsureCatalogueSentinels(ShopDatabase& db) {
  CatalogueSentinels s;
  EnsureAttributeSentinels(db);
  EnsureIndexSentinel(db);
  s.noTax = EnsureTaxSentinel(db);
  CRecSetMainAttributes kinds(db);
  kinds.SetFilter(Eq("Name", " "));
  kinds.Open();
  if (!kinds.IsEOF()) s.noKind = kinds->ID;
  CRecSetIndex index(db);
  index.SetFilter(Eq("Name", " "));
  index.Open();
  if (!index.IsEOF()) s.noIndex = index->ID;
  return s;
}

CatalogueRules::CatalogueRules(ShopDatabase& db)
    : db_(db),
      categories_(db),
      lines_(db),
      products_(db),
      items_(db),
      kinds_(db),
      values_(db),
      index_(db),
      members_(db) {
  const CatalogueSentinels sentinels = EnsureCatalogueSentinels(db);
  noKind_ = sentinels.noKind;
  noIndex_ = sentinels.noIndex;
  noTax_ = sentinels.noTax;
  CRecSetSubAttributes blanks(db);
  blanks.SetFilter(Eq("Name", " "));
  blanks.ForEach([&](const SubAttributesRow& v) { noValues_.try_emplace(v.MainAttrID, v.ID); });
  const OptionsRow options = ReadSettingsRow<OptionsRow>(db);
  defaultTax_ = NewProductTaxType(options, noTax_);
}

int32_t CatalogueRules::NoValueOf(int32_t kind) {
  if (auto it = noValues_.find(kind); it != noValues_.end()) return it->second;
  SubAttributesRow blank;
  blank.Name = " ";
  blank.MainAttrID = kind;
  const int32_t id = Append(values_, std::move(blank));
  noValues_.emplace(kind, id);
  return id;
}

void CatalogueRules::LoadCategoryOrders() {
  if (categoriesRead_) return;
  categoriesRead_ = true;
  CRecSetCategories all(db_);
  all.SetSort("");
  all.ForEach([&](const CategoriesRow& r) { Note(lastCategory_, r.Order); });
}

void CatalogueRules::LoadLineOrders() {
  if (linesRead_) return;
  linesRead_ = true;
  CRecSetLines all(db_);
  all.SetSort("");
  all.ForEach([&](const LinesRow& r) { Note(lastLine_, r.Order); });
}

void CatalogueRules::LoadProductOrders() {
  if (productOrdersRead_) return;
  productOrdersRead_ = true;
  CRecSetProducts all(db_);
  all.SetSort("");
  all.ForEach([&](const ProductsRow& r) { Note(productOrders_, r.CategoryID, r.Order); });
}

void CatalogueRules::LoadItemOrders() {
  if (itemOrdersRead_) return;
  itemOrdersRead_ = true;
  CRecSetItems all(db_);
  all.SetSort("");
  all.ForEach([&](const ItemsRow& r) { Note(itemOrders_, r.ProductID, r.Order); });
}

void CatalogueRules::LoadMemberships() {
  if (membersRead_) return;
  membersRead_ = true;
  CRecSetProdLines all(db_);
  all.SetSort("");
  all.ForEach([&](const ProdLinesRow& r) {
    Note(memberOrders_, r.LineID, r.Order);
    memberships_.try_emplace({r.LineID, r.ProductID}, r.ID);
  });
}

CategoriesRow CatalogueRules::NewCategory() {
  LoadCategoryOrders();
  return DefaultCategory(OrderAfter(lastCategory_));
}

LinesRow CatalogueRules::NewLine() {
  LoadLineOrders();
  return DefaultLine(OrderAfter(lastLine_));
}

ProductsRow CatalogueRules::NewProduct(int32_t category) {
  LoadProductOrders();
  return DefaultProduct(category, NextIn(productOrders_, category), defaultTax_, noIndex_, noKind_);
}

ItemsRow CatalogueRules::NewItem(const ProductsRow& product) {
  LoadItemOrders();
  const int32_t order = NextIn(itemOrders_, product.ID);
  const int32_t value1 = NoValueOf(product.AttributeID1);
  return DefaultItem(product.ID, order, value1, NoValueOf(product.AttributeID2));
}

int32_t CatalogueRules::Add(CategoriesRow row) {
  LoadCategoryOrders();
  Note(lastCategory_, row.Order);
  return Append(categories_, std::move(row));
}

int32_t CatalogueRules::Add(LinesRow row) {
  LoadLineOrders();
  Note(lastLine_, row.Order);
  return Append(lines_, std::move(row));
}

int32_t CatalogueRules::Add(ProductsRow row) {
  LoadProductOrders();
  Note(productOrders_, row.CategoryID, row.Order);
  return Append(products_, std::move(row));
}

int32_t CatalogueRules::Add(ItemsRow row) {
  LoadItemOrders();
  Note(itemOrders_, row.ProductID, row.Order);
  return Append(items_, std::move(row));
}

int32_t CatalogueRules::AddAttributeKind(std::string name) {
  MainAttributesRow kind;
  kind.Name = std::move(name);
  const int32_t id = Append(kinds_, std::move(kind));
  NoValueOf(id);
  return id;
}

int32_t CatalogueRules::AddAttributeValue(int32_t kind, std::string name) {
  SubAttributesRow value;
  value.Name = std::move(name);
  value.MainAttrID = kind;
  return Append(values_, std::move(value));
}

int32_t CatalogueRules::AddIndexEntry(std::string name) {
  IndexRow entry;
  entry.Name = std::move(name);
  return Append(index_, std::move(entry));
}

bool CatalogueRules::AddToLine(int32_t line, int32_t product, const std::string& productName) {
  LoadMemberships();
  if (memberships_.contains({line, product})) return false;
  ProdLinesRow member;
  member.LineID = line;
  member.ProductID = product;
  member.Name = productName;
  member.Order = NextIn(memberOrders_, line);
  Note(memberOrders_, line, member.Order);
  memberships_.emplace(std::pair{line, product}, Append(members_, std::move(member)));
  return true;
}

bool CatalogueRules::RemoveFromLine(int32_t line, int32_t product) {
  LoadMemberships();
  auto it = memberships_.find({line, product});
  if (it == memberships_.end()) return false;
  CRecSetProdLines member(db_);
  member.SetFilter(Eq("ID", it->second));
  member.Open();
  if (!member.IsEOF()) member.Delete();
  memberships_.erase(it);
  return true;
}

void CatalogueRules::SetAttributeKind(int32_t product, int which, int32_t kind) {
  CRecSetProducts row(db_);
  row.SetFilter(Eq("ID", product));
  row.Open();
  if (row.IsEOF()) return;
  int32_t ProductsRow::*field = which == 1 ? &ProductsRow::AttributeID1 : &ProductsRow::AttributeID2;
  if ((*row).*field == kind) return;
  row.Edit();
  (*row).*field = kind;
  row.Update();
  const int32_t blank = NoValueOf(kind);
  int32_t ItemsRow::*value = which == 1 ? &ItemsRow::SubAttrID1 : &ItemsRow::SubAttrID2;
  CRecSetItems items(db_);
  items.SetFilter(Eq("ProductID", product));
  items.Open();
  for (items.MoveFirst(); !items.IsEOF(); items.MoveNext()) {
    if ((*items).*value == blank) continue;
    items.Edit();
    (*items).*value = blank;
    items.Update();
  }
}

}  // namespace vendora
