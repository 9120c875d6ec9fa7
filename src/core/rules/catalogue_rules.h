#pragma once
// What the catalogue page's adding actions do to the shop database, without any
// toolkit: new rows get the page's defaults and go to the end of their list
// ([Order] = last + 1), products and items refer to the sentinel rows ("none"), a new
// attribute kind brings its blank value, memberships of a product line are added once,
// and changing a product's attribute kind resets its items to the new kind's blank value.
//
// CatalogueRules keeps the sets it appends through and the last [Order] of every list
// it has added to, so an import adds thousands of rows without one query per row. It
// sees what others changed in these tables only before it first reads a list.
// Threading: one thread. Errors: DbError.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "shopdb/recordsets.h"

namespace vendora {

inline constexpr std::string_view kNewCategoryName = "Neue Kategorie";
inline constexpr std::string_view kNewLineName = "Neue Produktlinie";
inline constexpr std::string_view kNewAttributeKindName = "Neues Hauptattribut";
inline constexpr std::string_view kNewAttributeValueName = "Neues Unterattribut";
inline constexpr std::string_view kNewIndexEntryName = "Neuer Indexeintrag";
inline constexpr std::string_view kNewProductName = "Neues Produkt";
inline constexpr std::string_view kNewItemNumber = "Neuer Artikel";

// [Order] of a row added behind the current last row of its list; 0 in an empty list.
int32_t OrderAfter(std::optional<int32_t> lastOrder);

// The page's defaults of a new row at `order`, not yet written. A product refers to
// the given sentinels ("none") and tax type; an item to the given attribute values.
CategoriesRow DefaultCategory(int32_t order);
LinesRow DefaultLine(int32_t order);
ProductsRow DefaultProduct(int32_t category, int32_t order, int32_t taxType, int32_t noIndex, int32_t noKind);
ItemsRow DefaultItem(int32_t product, int32_t order, int32_t value1, int32_t value2);
// The tax type of a new product: the default tax type when tax goes by product type
// (TaxType 2) and one is set, else the tax sentinel.
int32_t NewProductTaxType(const OptionsRow& options, int32_t noTax);

// The keys of the rows that stand for "none" in the catalogue's lists, made when
// missing: the blank attribute kind, the blank index entry and the tax sentinel.
struct CatalogueSentinels {
  int32_t noKind = 0, noIndex = 0, noTax = 0;
};
CatalogueSentinels EnsureCatalogueSentinels(ShopDatabase& db);

class CatalogueRules {
 public:
  // Makes sure the sentinel rows exist, as the page does when it shows its lists, and
  // reads their keys and the tax settings.
  explicit CatalogueRules(ShopDatabase& db);
  CatalogueRules(const CatalogueRules&) = delete;
  CatalogueRules& operator=(const CatalogueRules&) = delete;

  int32_t NoAttributeKind() const { return noKind_; }
  int32_t NoIndexEntry() const { return noIndex_; }
  int32_t NoTaxType() const { return noTax_; }
  // The blank value of a kind; added when the kind has none.
  int32_t NoValueOf(int32_t kind);

  // The rows the page adds, not yet written, at the end of their lists.
  CategoriesRow NewCategory();
  LinesRow NewLine();
  // Tax: the sentinel, or the default tax type when tax goes by product type.
  ProductsRow NewProduct(int32_t category);
  // The values: the blank values of the product's two kinds.
  ItemsRow NewItem(const ProductsRow& product);

  // Writes a row made by the New* above (its fields may have been changed) and returns
  // its key. A row given an [Order] beyond the list's end moves the end there.
  int32_t Add(CategoriesRow row);
  int32_t Add(LinesRow row);
  int32_t Add(ProductsRow row);
  int32_t Add(ItemsRow row);

  // A new kind with its blank value.
  int32_t AddAttributeKind(std::string name = std::string(kNewAttributeKindName));
  int32_t AddAttributeValue(int32_t kind, std::string name = std::string(kNewAttributeValueName));
  int32_t AddIndexEntry(std::string name = std::string(kNewIndexEntryName));

  // Adds the product at the end of the line under the name it is listed with; false
  // (nothing added) when it is in the line already.
  bool AddToLine(int32_t line, int32_t product, const std::string& productName);
  // Takes the product out of the line; false when it was not in it.
  bool RemoveFromLine(int32_t line, int32_t product);

  // Gives the product another first (which 1) or second (which 2) attribute kind; every
  // item of the product then has the new kind's blank value there. The same kind again
  // changes nothing. Asking the merchant first is the page's business.
  void SetAttributeKind(int32_t product, int which, int32_t kind);

 private:
  void LoadCategoryOrders();
  void LoadLineOrders();
  void LoadProductOrders();
  void LoadItemOrders();
  void LoadMemberships();

  ShopDatabase& db_;
  int32_t noKind_ = 0, noIndex_ = 0, noTax_ = 0, defaultTax_ = 0;
  std::unordered_map<int32_t, int32_t> noValues_;  // kind -> its blank value
  CRecSetCategories categories_;
  CRecSetLines lines_;
  CRecSetProducts products_;
  CRecSetItems items_;
  CRecSetMainAttributes kinds_;
  CRecSetSubAttributes values_;
  CRecSetIndex index_;
  CRecSetProdLines members_;
  std::optional<int32_t> lastCategory_, lastLine_;
  bool categoriesRead_ = false, linesRead_ = false;
  // Last [Order] per parent (no entry: an empty list): products per category, items per
  // product, members per line.
  std::unordered_map<int32_t, int32_t> productOrders_, itemOrders_, memberOrders_;
  bool productOrdersRead_ = false, itemOrdersRead_ = false, membersRead_ = false;
  std::map<std::pair<int32_t, int32_t>, int32_t> memberships_;  // (line, product) -> row key
};

}  // namespace vendora
