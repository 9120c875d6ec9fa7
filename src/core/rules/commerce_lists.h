#pragma once
// The lists of the commerce page ("Handel"): payment methods, credit cards, the taxes of
// the tax mode, shipping methods with their charge breaks, discounts and gift wraps.
// Adding puts a row with the page's defaults at the end of its list; moving renumbers
// the list from 0; deleting asks first. Gift-wrap pictures are kept by the page until
// the gift tab is saved. Also the page's changed flags and the question on leaving it.
//
// Every action that writes runs in one transaction; a database refusal (DbError) is
// passed on with nothing changed. Picture files follow only once the database change
// is committed. A pending edit of a list's current row is the page's to write before
// it calls an action. Questions go through the prompter; a refusal with a reason comes
// back as a Status holding the German text, with nothing written.
//
// Threading: one thread, the one that owns the database.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "app/shop_paths.h"
#include "common/status.h"
#include "rules/catalogue_edit.h"
#include "shopdb/rows.h"

namespace vendora {

class Prompter;
class ShopDatabase;

enum class CommerceTab { Orders, PaymentAndTaxes, Shipping, Discounts, GiftOptions };
inline constexpr int kCommerceTabCount = 5;

// The tax list shown: Options.TaxType 1 lists areas, 2 lists types.
enum class TaxList { ByArea = 1, ByType = 2 };

// Names of new rows.
inline constexpr std::string_view kNewPaymentName = "Neue Bezahlungsart";
inline constexpr std::string_view kNewCreditCardName = "Neue Kreditkarte";
inline constexpr std::string_view kNewTaxAreaName = "Neuer Steuerbereich";
inline constexpr std::string_view kNewTaxTypeName = "Neue Steuerart";
inline constexpr std::string_view kNewShippingName = "Neue Versandart";
inline constexpr std::string_view kNewGiftWrapName = "Neue Geschenkverpackung";

class CommerceLists {
 public:
  CommerceLists(ShopDatabase& db, ShopPaths paths, Prompter& prompter);
  CommerceLists(const CommerceLists&) = delete;
  CommerceLists& operator=(const CommerceLists&) = delete;

  // Each tab's changed flag: raised by every action of the tab that writes, cleared by
  // saving or discarding the tab. MarkChanged is for fields the page holds itself.
  bool IsChanged(CommerceTab tab) const { return changed_[static_cast<size_t>(tab)]; }
  bool AnyChanged() const;
  void MarkChanged(CommerceTab tab) { changed_[static_cast<size_t>(tab)] = true; }

  // Adding: the new row's key. Rows of ordered lists get [Order] = last + 1 (0 in an
  // empty list).
  int32_t AddPayment();     // Price 0, Code empty, not included
  int32_t AddCreditCard();
  int32_t AddTax(TaxList list);  // Rate 0
  int32_t AddShipping();
  // Break 1, Charge 5 for the method; refused with 20082 without one.
  Result<int32_t> AddShipCharge(std::optional<int32_t> shipping);
  void AddDiscount();  // Break 1, Discount 5
  int32_t AddGiftWrap();

  // Moving within the ordered lists: the row swaps places with its neighbour, the list
  // is numbered from 0 and only rows whose [Order] changes are written. Returns the
  // rows written (0 at either end).
  int MovePayment(int32_t id, MoveDirection direction);
  int MoveCreditCard(int32_t id, MoveDirection direction);
  int MoveShipping(int32_t id, MoveDirection direction);
  int MoveGiftWrap(int32_t id, MoveDirection direction);

  // Deleting: asks first; No, or nothing selected, changes nothing. Returns the rows
  // deleted (cascaded rows not counted).
  // 20084 without a selection, 20062, and 20063 instead for a built-in method.
  int DeletePayment(std::optional<int32_t> id);
  int DeleteCreditCard(std::optional<int32_t> id);  // 20040
  // 20041. The blank "none" type is never deleted; a tax still used by products or as
  // the default tax type is refused with a German reason, nothing deleted.
  Result<int> DeleteTax(TaxList list, std::optional<int32_t> id);
  int DeleteShipping(std::optional<int32_t> id);                // 20023; takes its breaks
  int DeleteShipCharges(const std::vector<int32_t>& ids);       // 20024
  // 20025. Discount rows have no key: each selected row is named by its values, and
  // one stored row with those values goes per selected row.
  int DeleteDiscounts(const std::vector<DiscountRow>& rows);
  int DeleteGiftWrap(std::optional<int32_t> id);                // 20026; takes its picture

  // A wrap's picture, kept until the gift tab is saved. Refused with 20083 without a
  // wrap; a file that is no readable picture is refused too and the wrap keeps what it had.
  Status ChooseWrapPicture(std::optional<int32_t> wrap, const std::filesystem::path& file);
  Status RemoveWrapPicture(std::optional<int32_t> wrap);
  // What the wrap shows now: the chosen file, nothing after a removal, else its picture
  // in the "wraps" folder.
  std::optional<std::filesystem::path> ShownWrapPicture(int32_t wrap) const;

  // Saving a tab clears its flag; the gift tab first puts its pictures in place: a
  // removal deletes the wrap's files and empties Ext, a choice is copied in as
  // <ID>.<extension> (Ext takes the extension). Every wrap is tried; a failed copy
  // leaves that wrap its former picture and comes back as 20044 with the file name,
  // the tab staying changed.
  Status SaveTab(CommerceTab tab);
  // Forgets the tab's pending pictures and clears its flag.
  void DiscardTab(CommerceTab tab);

  // Leaving the page: with unsaved changes asks 20022 (Yes/No/Cancel). Yes saves every
  // tab in order, each by `writeFields` (the fields the page holds) and SaveTab, and
  // stops at the first failure, which is returned (the page stays); No discards; Cancel
  // stays. The value: whether the page may be left.
  Result<bool> ConfirmLeave(const std::function<Status(CommerceTab)>& writeFields);

 private:
  std::filesystem::path WrapsFolder() const;

  ShopDatabase& db_;
  ShopPaths paths_;
  Prompter& prompter_;
  // Pending wrap pictures: a chosen file, or nullopt for a removal.
  std::map<int32_t, std::optional<std::filesystem::path>> pendingWraps_;
  std::array<bool, kCommerceTabCount> changed_{};
};

}  // namespace vendora
