#include "rules/commerce_lists.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>
#include <utility>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_format.h"
#include "imaging/image_file.h"
#include "imaging/image_format.h"
#include "imaging/image_refs.h"
#include "rules/catalogue_pictures.h"
#include "rules/catalogue_rules.h"
#include "rules/commerce_rules.h"
#include "rules/list_rows.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;
using namespace list_rows;

namespace {

// Own wording: the older page left this refusal to the database.
constexpr std::string_view kTaxInUse =
    "Der Steuereintrag wird noch von Produkten oder als Vorgabe für die Steuerart verwendet und kann nicht "
    "gelöscht werden.";

std::string Text(int number) { return std::string(ProgramText(number)); }

bool Confirmed(Prompter& prompter, int question) {
  return prompter.AskYesNo(Text(question), Answer::Yes) == Answer::Yes;
}

template <class Row>
bool DeleteFirst(ShopDatabase& db, const Criteria& which) {
  CMyDaoRecordset<Row> set(db);
  set.SetFilter(which);
  set.Open();
  if (set.IsEOF()) return false;
  set.Delete();
  return true;
}

template <class Row>
int32_t OrderAtEnd(ShopDatabase& db) {
  return OrderAfter(LastOrder<Row>(db));
}

// Keeps what the picture code would show, so that a save can report every failure once.
class CollectingPrompter : public Prompter {
 public:
  Answer Ask(const MessageRequest&) override {
    failed = true;
    return Answer::Ok;
  }
  bool failed = false;
};

}  // namespace

CommerceLists::CommerceLists(ShopDatabase& db, ShopPaths paths, Prompter& prompter)
    : db_(db), paths_(std::move(paths)), prompter_(prompter) {}

bool CommerceLists::AnyChanged() const {
  return !pendingWraps_.empty() || std::find(changed_.begin(), changed_.end(), true) != changed_.end();
}

fs::path CommerceLists::WrapsFolder() const { return paths_.Subfolder(ShopSubfolder::Wraps); }

int32_t CommerceLists::AddPayment() {
  const int32_t id = Atomically(db_, [&] {
    return Insert(db_, PaymentsRow{.Name = std::string(kNewPaymentName), .Code = {},
                                   .Order = OrderAtEnd<PaymentsRow>(db_)});
  });
  MarkChanged(CommerceTab::PaymentAndTaxes);
  return id;
}

int32_t CommerceLists::AddCreditCard() {
  const int32_t id = Atomically(db_, [&] {
    return Insert(db_,
                  CreditCardsRow{.Name = std::string(kNewCreditCardName), .Order = OrderAtEnd<CreditCardsRow>(db_)});
  });
  MarkChanged(CommerceTab::PaymentAndTaxes);
  return id;
}

int32_t CommerceLists::AddTax(TaxList list) {
  const int32_t id = Atomically(db_, [&] {
    if (list == TaxList::ByArea) return Insert(db_, TaxesByAreaRow{.Area = std::string(kNewTaxAreaName)});
    return Insert(db_, TaxesByTypeRow{.Type = std::string(kNewTaxTypeName)});
  });
  MarkChanged(CommerceTab::PaymentAndTaxes);
  return id;
}

int32_t CommerceLists::AddShipping() {
  const int32_t id = Atomically(db_, [&] {
    return Insert(db_, ShippingRow{.Name = std::string(kNewShippingName), .Order = OrderAtEnd<ShippingRow>(db_)});
  });
  MarkChanged(CommerceTab::Shipping);
  return id;
}

Result<int32_t> CommerceLists::AddShipCharge(std::optional<int32_t> shipping) {
  if (!shipping) return Result<int32_t>::Error(Text(text::kNoShippingSelected));
  const int32_t id = Atomically(
      db_, [&] { return Insert(db_, ShipChargesRow{.Break = 1, .Charge = 5, .ShippingID = *shipping}); });
  MarkChanged(CommerceTab::Shipping);
  return id;
}

void CommerceLists::AddDiscount() {
  Atomically(db_, [&] { return Insert(db_, DiscountRow{.Break = 1, .Discount = 5}); });
  MarkChanged(CommerceTab::Discounts);
}

int32_t CommerceLists::AddGiftWrap() {
  const int32_t id = Atomically(db_, [&] {
    return Insert(db_, GiftWrapsRow{.Name = std::string(kNewGiftWrapName), .Ext = {},
                                    .Order = OrderAtEnd<GiftWrapsRow>(db_)});
  });
  MarkChanged(CommerceTab::GiftOptions);
  return id;
}

int CommerceLists::MovePayment(int32_t id, MoveDirection direction) {
  const int written = MoveInList<PaymentsRow>(db_, std::nullopt, id, direction);
  if (written) MarkChanged(CommerceTab::PaymentAndTaxes);
  return written;
}

int CommerceLists::MoveCreditCard(int32_t id, MoveDirection direction) {
  const int written = MoveInList<CreditCardsRow>(db_, std::nullopt, id, direction);
  if (written) MarkChanged(CommerceTab::PaymentAndTaxes);
  return written;
}

int CommerceLists::MoveShipping(int32_t id, MoveDirection direction) {
  const int written = MoveInList<ShippingRow>(db_, std::nullopt, id, direction);
  if (written) MarkChanged(CommerceTab::Shipping);
  return written;
}

int CommerceLists::MoveGiftWrap(int32_t id, MoveDirection direction) {
  const int written = MoveInList<GiftWrapsRow>(db_, std::nullopt, id, direction);
  if (written) MarkChanged(CommerceTab::GiftOptions);
  return written;
}

int CommerceLists::DeletePayment(std::optional<int32_t> id) {
  const bool deleted = vendora::DeletePayment(db_, id.value_or(0), prompter_);
  if (deleted) MarkChanged(CommerceTab::PaymentAndTaxes);
  return deleted ? 1 : 0;
}

int CommerceLists::DeleteCreditCard(std::optional<int32_t> id) {
  if (!id || !Confirmed(prompter_, text::kDeleteCreditCardQuestion)) return 0;
  const bool deleted = Atomically(db_, [&] { return DeleteFirst<CreditCardsRow>(db_, Eq("ID", *id)); });
  if (deleted) MarkChanged(CommerceTab::PaymentAndTaxes);
  return deleted ? 1 : 0;
}

Result<int> CommerceLists::DeleteTax(TaxList list, std::optional<int32_t> id) {
  if (!id) return 0;
  if (list == TaxList::ByType) {
    // The blank type stands for "no tax" of products; it is not the merchant's to delete.
    RecordSet<TaxesByTypeRow> sentinel(db_);
    sentinel.SetFilter(Eq("ID", *id) && Eq("Type", " "));
    sentinel.Open();
    if (!sentinel.IsEOF()) return 0;
  }
  if (!Confirmed(prompter_, text::kDeleteTaxQuestion)) return 0;
  bool deleted = false;
  try {
    deleted = Atomically(db_, [&] {
      return list == TaxList::ByArea ? DeleteFirst<TaxesByAreaRow>(db_, Eq("ID", *id))
                                     : DeleteFirst<TaxesByTypeRow>(db_, Eq("ID", *id));
    });
  } catch (const DbError& e) {
    if ((e.engineCode() & 0xFF) != kEngineConstraint) throw;
    return Result<int>::Error(std::string(kTaxInUse));
  }
  if (deleted) MarkChanged(CommerceTab::PaymentAndTaxes);
  return deleted ? 1 : 0;
}

int CommerceLists::DeleteShipping(std::optional<int32_t> id) {
  if (!id || !Confirmed(prompter_, text::kDeleteShippingQuestion)) return 0;
  // The relation takes the method's charge breaks along.
  const bool deleted = Atomically(db_, [&] { return DeleteFirst<ShippingRow>(db_, Eq("ID", *id)); });
  if (deleted) MarkChanged(CommerceTab::Shipping);
  return deleted ? 1 : 0;
}

int CommerceLists::DeleteShipCharges(const std::vector<int32_t>& ids) {
  if (ids.empty() || !Confirmed(prompter_, text::kDeleteShipChargesQuestion)) return 0;
  const int deleted = Atomically(db_, [&] {
    int n = 0;
    for (int32_t id : ids) n += DeleteFirst<ShipChargesRow>(db_, Eq("ID", id)) ? 1 : 0;
    return n;
  });
  if (deleted) MarkChanged(CommerceTab::Shipping);
  return deleted;
}

int CommerceLists::DeleteDiscounts(const std::vector<DiscountRow>& rows) {
  if (rows.empty() || !Confirmed(prompter_, text::kDeleteDiscountsQuestion)) return 0;
  const int deleted = Atomically(db_, [&] {
    int n = 0;
    for (const DiscountRow& row : rows)
      n += DeleteFirst<DiscountRow>(db_, Eq("Break", row.Break) && Eq("Discount", row.Discount)) ? 1 : 0;
    return n;
  });
  if (deleted) MarkChanged(CommerceTab::Discounts);
  return deleted;
}

int CommerceLists::DeleteGiftWrap(std::optional<int32_t> id) {
  if (!id || !Confirmed(prompter_, text::kDeleteGiftWrapQuestion)) return 0;
  if (!Atomically(db_, [&] { return DeleteFirst<GiftWrapsRow>(db_, Eq("ID", *id)); })) return 0;
  // Keys are never given out again, so a picture left behind would lie there for good.
  pendingWraps_.erase(*id);
  RemoveImage(kImagePattern, WrapsFolder(), *id);
  MarkChanged(CommerceTab::GiftOptions);
  return 1;
}

Status CommerceLists::ChooseWrapPicture(std::optional<int32_t> wrap, const fs::path& file) {
  if (!wrap) return Status::Error(Text(text::kNoGiftWrapSelected));
  if (Status checked = CheckPictureFile(file); !checked.ok()) return checked;
  pendingWraps_[*wrap] = file;
  MarkChanged(CommerceTab::GiftOptions);
  return Status::Ok();
}

Status CommerceLists::RemoveWrapPicture(std::optional<int32_t> wrap) {
  if (!wrap) return Status::Error(Text(text::kNoGiftWrapSelected));
  pendingWraps_[*wrap] = std::nullopt;
  MarkChanged(CommerceTab::GiftOptions);
  return Status::Ok();
}

std::optional<fs::path> CommerceLists::ShownWrapPicture(int32_t wrap) const {
  if (auto it = pendingWraps_.find(wrap); it != pendingWraps_.end()) return it->second;
  return FindImageFile(kImagePattern, WrapsFolder(), wrap);
}

Status CommerceLists::SaveTab(CommerceTab tab) {
  std::string failures;
  if (tab == CommerceTab::GiftOptions && !pendingWraps_.empty()) {
    const fs::path folder = WrapsFolder();
    std::map<int32_t, std::string> extensions;  // what Ext becomes, per wrap
    for (const auto& [id, chosen] : pendingWraps_) {
      if (!chosen) {
        RemoveImage(kImagePattern, folder, id);
        extensions[id] = "";
        continue;
      }
      std::error_code ec;
      fs::create_directories(folder, ec);
      CollectingPrompter copy;
      if (!AssignImage(kImagePattern, folder, id, *chosen, copy) || copy.failed) {
        failures += FormatProgramText(text::kGiftWrapCopyFailed, chosen->string());
        continue;
      }
      // The copy is named with the extension in lower case; Ext says which it is.
      std::string extension = chosen->extension().string();
      if (!extension.empty()) extension.erase(0, 1);
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      extensions[id] = extension;
    }
    pendingWraps_.clear();
    Atomically(db_, [&] {
      CMyDaoRecordset<GiftWrapsRow> wraps(db_);
      wraps.Open();
      for (const auto& [id, extension] : extensions) {
        if (!wraps.FindFirst(Eq("ID", id)) || wraps->Ext == extension) continue;
        wraps.Edit();
        wraps->Ext = extension;
        wraps.Update();
      }
      return 0;
    });
  }
  if (!failures.empty()) return Status::Error(std::move(failures));
  changed_[static_cast<size_t>(tab)] = false;
  return Status::Ok();
}

void CommerceLists::DiscardTab(CommerceTab tab) {
  if (tab == CommerceTab::GiftOptions) pendingWraps_.clear();
  changed_[static_cast<size_t>(tab)] = false;
}

Result<bool> CommerceLists::ConfirmLeave(const std::function<Status(CommerceTab)>& writeFields) {
  return ConfirmLeavePage<CommerceTab, kCommerceTabCount>(*this, prompter_, Text(text::kSaveCommerceQuestion), writeFields);
}

}  // namespace vendora
