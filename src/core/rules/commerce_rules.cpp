#include "rules/commerce_rules.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>

#include "common/log.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "shopdb/changed_flag.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

// The two prices of an item and nothing else: a run over all items reads and writes
// only these.
struct ItemPricesRow {
  int32_t ID = 0;
  float MPrice = 0, SPrice = 0;
};

}  // namespace

template <>
struct RowTraits<ItemPricesRow> {
  static constexpr std::string_view kTable = "Items";
  static constexpr std::string_view kDefaultSort = "";  // table order
  static constexpr auto kFields = std::make_tuple(Bind("ID", &ItemPricesRow::ID), Bind("MPrice", &ItemPricesRow::MPrice),
                                                  Bind("SPrice", &ItemPricesRow::SPrice));
};

namespace {

std::string Text(int number) { return std::string(ProgramText(number)); }

// Runs `change` on every item in table order inside one transaction. A cancel or an
// error rolls everything back, the changed flag included: nothing was changed then.
template <class Change>
bool ForEveryItem(ShopDatabase& db, const PriceRun& run, Change&& change) {
  const bool wasChanged = IsDatabaseChanged();
  try {
    TransactionScope transaction(db);
    CMyDaoRecordset<ItemPricesRow> items(db);
    items.Open();
    const int count = static_cast<int>(items.GetRecordCount());
    if (run.progress) run.progress->SetProgress(0, count, 0);
    int done = 0;
    for (; !items.IsEOF(); items.MoveNext()) {
      if (run.cancelled && run.cancelled()) {
        SetDatabaseChanged(wasChanged);
        return false;
      }
      items.Edit();
      change(*items);
      items.Update();
      if (run.progress) run.progress->SetProgress(0, count, ++done);
    }
    transaction.Commit();
    return true;
  } catch (...) {
    SetDatabaseChanged(wasChanged);
    throw;
  }
}

// "%f" reads with a point whatever the merchant's locale; the desktop program runs
// under a German one, where the C library would expect a comma.
locale_t NumberLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

bool ConfirmConvert(Prompter& prompter) {
  return prompter.AskYesNo(Text(text::kAskConvertCurrency), Answer::Yes) == Answer::Yes;
}

bool ConfirmSwap(Prompter& prompter) {
  return prompter.AskYesNo(Text(text::kAskSwapCurrencies), Answer::No) == Answer::Yes;
}

float RoundToCents(double value) { return static_cast<float>(std::floor(value * 100.0 + 0.5) / 100.0); }

bool ConvertPrices(ShopDatabase& db, float factor, const PriceRun& run) {
  return ForEveryItem(db, run, [factor](ItemPricesRow& item) {
    item.SPrice = RoundToCents(static_cast<double>(item.MPrice) * factor);
  });
}

bool SwapCurrencies(ShopDatabase& db, CurrencySelection& selection, const PriceRun& run) {
  if (!ForEveryItem(db, run, [](ItemPricesRow& item) { std::swap(item.MPrice, item.SPrice); })) return false;
  // The second chooser has "Keine zweite Währung" in front, hence the shift by one.
  const int master = selection.masterPosition;
  selection.masterPosition = selection.secondPosition - 1;
  selection.secondPosition = master + 1;
  std::swap(selection.masterSymbol, selection.secondSymbol);
  if (selection.factor != 0) selection.factor = 1.0f / selection.factor;
  return true;
}

Result<float> ReadNumberField(std::string_view typed) {
  std::string t(Trim(typed));
  // A German merchant types a comma; the value is the same.
  if (t.find(',') != std::string::npos && t.find('.') == std::string::npos) t[t.find(',')] = '.';
  char* end = nullptr;
  const float value = t.empty() ? 0.0f : strtof_l(t.c_str(), &end, NumberLocale());
  const bool read = !t.empty() && end != t.c_str();
  const bool number = read && end == t.c_str() + t.size();
  // What "%f" read from the front is range-checked even when more text follows.
  const bool inRange = !read || std::isfinite(value);
  if (number && inRange) return value;
  std::string message;
  if (!number) message += Text(text::kOnlyNumbersAllowed);
  if (!inRange) message += Text(text::kValueOutOfRange);
  return Result<float>::Error(std::move(message));
}

void ChooseShippingCalc(int calcType, Prompter& prompter) {
  if (calcType == static_cast<int>(ShippingCalc::PerItem))
    prompter.Show(Text(text::kPerItemShippingInfo), MessageIcon::Information);
  else if (calcType == static_cast<int>(ShippingCalc::Weight))
    prompter.Show(Text(text::kWeightShippingInfo), MessageIcon::Information);
}

InsuranceSwitches SwitchInsurance(InsuranceSwitches switches, bool on) {
  switches.insurance = on;
  if (!on) switches.replaces = false;
  return switches;
}

InsuranceSwitches SwitchInsuranceReplaces(InsuranceSwitches switches, bool on) {
  switches.replaces = on;
  if (on) switches.insurance = true;
  return switches;
}

std::string FormatNumberField(NumberFieldKind kind, float value) {
  switch (kind) {
    case NumberFieldKind::Factor: return Format("%.6f", value);
    case NumberFieldKind::InsurancePercent: return Format("%.4f", value);
    case NumberFieldKind::Amount: break;
  }
  return Format("%.2f", value);
}

bool IsProtectedPayment(std::string_view code) {
  return EqualsNoCase(code, "DE") || EqualsNoCase(code, "CC");
}

bool DeletePayment(ShopDatabase& db, int32_t paymentId, Prompter& prompter) {
  if (paymentId == 0) {
    prompter.Show(Text(text::kNoPaymentSelected), MessageIcon::Information);
    return false;
  }
  if (prompter.AskYesNo(Text(text::kAskDeletePayment), Answer::Yes) != Answer::Yes) return false;
  try {
    CRecSetPayments payments(db);
    payments.SetFilter(Eq("ID", paymentId));
    payments.Open();
    if (payments.IsEOF()) return false;
    if (IsProtectedPayment(payments->Code)) {
      prompter.Show(Text(text::kPaymentProtected), MessageIcon::Warning);
      return false;
    }
    payments.Delete();
    return true;
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
}

}  // namespace vendora
