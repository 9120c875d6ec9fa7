// The commerce page's lists: their rows from the core, the buttons' actions, the
// tax list of the chosen mode, the breaks of the chosen shipping method and the
// picture of the chosen gift wrap.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

#include "app/shop_manager.h"
#include "common/prompter.h"
#include "controls/preview_fields.h"
#include "controls/record_list.h"
#include "dialogs.h"
#include "pages/commerce_page.h"
#include "rules/commerce_fields.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

constexpr std::string_view kWrapPictureCaption = "Bild der Geschenkverpackung wählen";

// A list cell's write: taken by the core's rules, stored, and the tab marked changed.
// A database refusal comes back as the reason the list shows.
template <class Row, size_t N>
typename TableRows<Row>::Binding Binding(ShopDatabase& db, CommerceLists& lists, CommerceTab tab,
                                         const std::string_view (&columns)[N],
                                         std::function<std::vector<Row>()> load) {
  typename TableRows<Row>::Binding b;
  b.load = std::move(load);
  b.cell = [&columns](const Row& row, int column) { return CommerceCellText(row, columns[column]); };
  b.write = [&db, &lists, tab, &columns](Row& row, int column, std::string_view typed) -> Status {
    const Row before = row;
    Status taken = TakeCommerceCell(row, columns[column], typed);
    if (!taken.ok()) return taken;
    try {
      if constexpr (std::is_same_v<Row, DiscountRow>) StoreDiscountRow(db, before, row);
      else StoreCommerceRow(db, row);
    } catch (const DbError& e) {
      row = before;
      return Status::Error(DbErrorReport(e));
    }
    lists.MarkChanged(tab);
    return Status::Ok();
  };
  return b;
}

}  // namespace

// ---- the lists -----------------------------------------------------------------------

void CommercePage::ShowTaxList() {
  if (!lists_) return;
  const int type = taxType_->currentIndex();
  ListRows* rows = type == static_cast<int>(TaxList::ByArea)   ? areaRows_
                   : type == static_cast<int>(TaxList::ByType) ? typeRows_
                                                               : nullptr;
  taxes_->Caption()->setText(type == 1   ? QStringLiteral("Steuerbereiche")
                             : type == 2 ? QStringLiteral("Steuerarten")
                                         : QStringLiteral("Steuern (keine)"));
  taxes_->Show(rows);
  taxes_->setEnabled(rows != nullptr);
}

void CommercePage::ShowCharges() {
  if (!lists_) return;
  chargesOf_ = shipping_->CurrentKey();
  charges_->Show(chargeRows_);
}

void CommercePage::ShowWrapPicture() {
  const std::optional<int32_t> wrap = wraps_->CurrentKey();
  wrapPicture_->ShowFile(lists_ && wrap ? lists_->ShownWrapPicture(*wrap) : std::nullopt);
  chooseWrap_->setEnabled(wrap.has_value());
  removeWrap_->setEnabled(wrap.has_value());
}

void CommercePage::ShowLists() {
  if (!lists_) {
    for (RecordList* list : {payments_, cards_, taxes_, shipping_, charges_, discounts_, wraps_}) list->Show(nullptr);
    return;
  }
  payments_->Show(paymentRows_);
  cards_->Show(cardRows_);
  shipping_->Show(shippingRows_);
  discounts_->Show(discountRows_);
  wraps_->Show(wrapRows_);
  ShowTaxList();
  ShowCharges();
  ShowWrapPicture();
}

void CommercePage::AddRow(RecordList* list) {
  if (!lists_) return;
  list->CommitEdit();
  try {
    std::optional<int32_t> key;
    int nameColumn = 0;
    if (list == payments_) {
      key = lists_->AddPayment();
      nameColumn = 1;
    } else if (list == cards_) {
      key = lists_->AddCreditCard();
    } else if (list == taxes_) {
      const int type = taxType_->currentIndex();
      if (type != 1 && type != 2) return;
      key = lists_->AddTax(static_cast<TaxList>(type));
      if (type == 2) FillDefaultTax();  // the default-type chooser lists the new type
    } else if (list == shipping_) {
      key = lists_->AddShipping();
    } else if (list == charges_) {
      const Result<int32_t> added = lists_->AddShipCharge(shipping_->CurrentKey());
      if (!added.ok()) {
        context_.prompter.Show(added.message(), MessageIcon::Warning);
        return;
      }
      key = *added;
    } else if (list == discounts_) {
      lists_->AddDiscount();
    } else if (list == wraps_) {
      key = lists_->AddGiftWrap();
    }
    if (list == taxes_) ShowTaxList();
    list->Show(list->Model()->Rows(), key);
    if (key) list->EditCell(*key, nameColumn);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
}

void CommercePage::DeleteRows(RecordList* list) {
  if (!lists_) return;
  list->CommitEdit();
  const std::optional<int32_t> key = list->CurrentKey();
  const int row = list->CurrentRow();
  try {
    if (list == payments_) {
      lists_->DeletePayment(key);
    } else if (list == cards_) {
      lists_->DeleteCreditCard(key);
    } else if (list == taxes_) {
      const int type = taxType_->currentIndex();
      if (type != 1 && type != 2) return;
      const Result<int> deleted = lists_->DeleteTax(static_cast<TaxList>(type), key);
      if (!deleted.ok()) context_.prompter.Show(deleted.message(), MessageIcon::Warning);
      if (type == 2) FillDefaultTax();
    } else if (list == shipping_) {
      lists_->DeleteShipping(key);
    } else if (list == charges_) {
      lists_->DeleteShipCharges(list->SelectedKeys());
    } else if (list == discounts_) {
      std::vector<DiscountRow> rows;
      const auto* source = static_cast<const TableRows<DiscountRow>*>(discountRows_);
      for (int32_t position : list->SelectedKeys()) rows.push_back(source->At(position));
      lists_->DeleteDiscounts(rows);
    } else if (list == wraps_) {
      lists_->DeleteGiftWrap(key);
    }
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  list->Show(list->Model()->Rows(), std::nullopt, std::max(0, row));
  if (list == shipping_) ShowCharges();
  if (list == wraps_) ShowWrapPicture();
}

void CommercePage::MoveRow(RecordList* list, bool up) {
  const std::optional<int32_t> key = list->CurrentKey();
  if (!lists_ || !key) return;
  list->CommitEdit();
  const MoveDirection direction = up ? MoveDirection::Up : MoveDirection::Down;
  try {
    if (list == payments_) lists_->MovePayment(*key, direction);
    else if (list == cards_) lists_->MoveCreditCard(*key, direction);
    else if (list == shipping_) lists_->MoveShipping(*key, direction);
    else if (list == wraps_) lists_->MoveGiftWrap(*key, direction);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  list->Show(list->Model()->Rows(), key);
}

void CommercePage::ChooseWrapPicture() {
  if (!lists_) return;
  const std::optional<int32_t> wrap = wraps_->CurrentKey();
  if (!wrap) {
    // 20083 comes from the rules.
    const Status refused = lists_->ChooseWrapPicture(std::nullopt, {});
    context_.prompter.Show(refused.message(), MessageIcon::Warning);
    return;
  }
  const std::optional<std::filesystem::path> file = context_.dialogs.ChoosePictureFile(kWrapPictureCaption);
  if (!file) return;
  const Status chosen = lists_->ChooseWrapPicture(wrap, *file);
  if (!chosen.ok()) context_.prompter.Show(chosen.message(), MessageIcon::Warning);
  ShowWrapPicture();
}

void CommercePage::RemoveWrapPicture() {
  if (!lists_) return;
  const Status removed = lists_->RemoveWrapPicture(wraps_->CurrentKey());
  if (!removed.ok()) context_.prompter.Show(removed.message(), MessageIcon::Warning);
  ShowWrapPicture();
}

void CommercePage::Load() {
  ShopManager& manager = context_.manager;
  ShopDatabase& db = manager.Database();
  lists_ = std::make_unique<CommerceLists>(db, manager.Paths(), context_.prompter);
  loaded_ = edited_ = ReadSettingsRow<OptionsRow>(db);
  sources_.clear();
  CommerceLists& lists = *lists_;
  auto add = [this](auto source) {
    ListRows* raw = source.get();
    sources_.push_back(std::move(source));
    return raw;
  };
  paymentRows_ = add(std::make_unique<TableRows<PaymentsRow>>(Binding<PaymentsRow>(
      db, lists, CommerceTab::PaymentAndTaxes, kPaymentColumns, [&db] { return CommerceRows<PaymentsRow>(db); })));
  cardRows_ = add(std::make_unique<TableRows<CreditCardsRow>>(Binding<CreditCardsRow>(
      db, lists, CommerceTab::PaymentAndTaxes, kCreditCardColumns, [&db] { return CommerceRows<CreditCardsRow>(db); })));
  areaRows_ = add(std::make_unique<TableRows<TaxesByAreaRow>>(Binding<TaxesByAreaRow>(
      db, lists, CommerceTab::PaymentAndTaxes, kTaxAreaColumns, [&db] { return CommerceRows<TaxesByAreaRow>(db); })));
  typeRows_ = add(std::make_unique<TableRows<TaxesByTypeRow>>(Binding<TaxesByTypeRow>(
      db, lists, CommerceTab::PaymentAndTaxes, kTaxTypeColumns, [&db] { return CommerceRows<TaxesByTypeRow>(db); })));
  shippingRows_ = add(std::make_unique<TableRows<ShippingRow>>(Binding<ShippingRow>(
      db, lists, CommerceTab::Shipping, kShippingColumns, [&db] { return CommerceRows<ShippingRow>(db); })));
  chargeRows_ = add(std::make_unique<TableRows<ShipChargesRow>>(
      Binding<ShipChargesRow>(db, lists, CommerceTab::Shipping, kShipChargeColumns, [this, &db] {
        return chargesOf_ ? ShipChargeRows(db, *chargesOf_) : std::vector<ShipChargesRow>{};
      })));
  discountRows_ = add(std::make_unique<TableRows<DiscountRow>>(Binding<DiscountRow>(
      db, lists, CommerceTab::Discounts, kDiscountColumns, [&db] { return CommerceRows<DiscountRow>(db); })));
  wrapRows_ = add(std::make_unique<TableRows<GiftWrapsRow>>(Binding<GiftWrapsRow>(
      db, lists, CommerceTab::GiftOptions, kGiftWrapColumns, [&db] { return CommerceRows<GiftWrapsRow>(db); })));
}

}  // namespace vendora
