#include "rules/commerce_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/log.h"
#include "rules/currencies.h"
#include "shopdb/changed_flag.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

constexpr const char* kNotANumber = "Es können nur Zahlen eingegeben werden.\n";
constexpr const char* kOutOfRange = "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n";

std::vector<std::string> Names(const std::vector<CurrencyChoice>& choices, size_t count) {
  std::vector<std::string> names;
  for (size_t i = 0; i < count && i < choices.size(); ++i) names.emplace_back(choices[i].name);
  return names;
}

int MasterPosition(std::string_view name) {
  const auto& choices = MasterCurrencyChoices();
  for (size_t i = 0; i < choices.size(); ++i)
    if (choices[i].name == name) return static_cast<int>(i);
  return -1;
}

TEST(CurrencyList, KeepsTheOldTextsAndTakesTheRestFromTheTranslation) {
  const auto texts = CurrencyTexts();
  std::set<std::string_view> all(texts.begin(), texts.end());
  for (const char* text : {"AFA - Afghanische Afghani", "ALL - Albanischer Lek", "DZD - Algerischer Dinar", "EUR - Euro",
                           "USD - US-Dollar", "CHF - Schweizer Franken", "GBP - Pfund Sterling", "AFN - Afghani"})
    EXPECT_TRUE(all.count(text)) << text;
  std::set<std::string_view> codes;
  for (std::string_view t : texts) {
    ASSERT_GT(t.size(), 6u) << t;
    EXPECT_EQ(t.substr(3, 3), " - ") << t;
    EXPECT_TRUE(codes.insert(t.substr(0, 3)).second) << "twice: " << t;
  }
  // No money a shop prices in: metals, test and "no currency" codes, a fund.
  for (const char* code : {"XAU", "XTS", "XXX", "XDR", "BOV"}) EXPECT_FALSE(codes.count(code)) << code;
}

TEST(CurrencyChoosers, ListNamesSortedAsAGermanReaderExpectsAndChoosingSetsTheCode) {
  const auto& master = MasterCurrencyChoices();
  EXPECT_EQ(Names(master, 5), (std::vector<std::string>{"Afghani", "Afghanische Afghani", "Ägyptisches Pfund",
                                                        "Albanischer Lek", "Algerischer Dinar"}));
  // Umlauts are filed under their base letter, not after "Z".
  EXPECT_LT(MasterPosition("Aserbaidschan-Manat"), MasterPosition("Äthiopischer Birr"));
  EXPECT_LT(MasterPosition("Äthiopischer Birr"), MasterPosition("Australischer Dollar"));

  const auto& second = SecondCurrencyChoices();
  ASSERT_EQ(second.size(), master.size() + 1);
  EXPECT_EQ(second[0].name, "Keine zweite Währung");
  for (size_t i = 0; i < master.size(); ++i) ASSERT_EQ(second[i + 1].number, master[i].number) << i;

  const int dinar = MasterPosition("Algerischer Dinar");
  EXPECT_EQ(CurrencySymbol(master[dinar]), "DZD");
  EXPECT_EQ(CurrencySymbol(second[0]), "");
  EXPECT_EQ(ChoicePosition(second, " DZD "), dinar + 1);
  EXPECT_EQ(ChoicePosition(master, "DEM"), std::nullopt);
  const std::pair<const char*, bool> symbols[] = {{"", false}, {"   ", false}, {" $ ", true}};
  for (const auto& [symbol, enabled] : symbols) EXPECT_EQ(FactorControlsEnabled(symbol), enabled) << symbol;
}

TEST(CommerceNumberField, ReadsWhatPercentFReadsAndNamesEveryFault) {
  struct Case {
    const char* typed;
    float value;
    std::string message;
  };
  const Case cases[] = {
      {"1.95583", 1.95583f, ""},
      {"1,5", 1.5f, ""},
      {" 12 ", 12.0f, ""},
      {"3.4e38", 3.4e38f, ""},
      {"1e-50", 0.0f, ""},  // too small for a float: read as 0, which is in range
      {"", 0, kNotANumber},
      {"abc", 0, kNotANumber},
      {"1e39", 0, kOutOfRange},
      {"inf", 0, kOutOfRange},
      {"1e39x", 0, std::string(kNotANumber) + kOutOfRange},
  };
  for (const Case& c : cases) {
    const Result<float> r = ReadNumberField(c.typed);
    if (c.message.empty()) {
      ASSERT_TRUE(r.ok()) << c.typed << ": " << r.message();
      EXPECT_EQ(*r, c.value) << c.typed;
    } else {
      ASSERT_FALSE(r.ok()) << c.typed;
      EXPECT_EQ(r.message(), c.message) << c.typed;
    }
  }
}

TEST(CommerceNumberField, ReadsAPointUnderAGermanLocale) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is needed";
  const Result<float> r = ReadNumberField("2.5");
  std::setlocale(LC_NUMERIC, previous.c_str());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(*r, 2.5f);
}

TEST(CommercePrices, RoundToCentsWithHalvesUpwards) {
  const std::pair<double, float> cases[] = {
      {19.5583, 19.56f}, {0.125, 0.13f}, {-0.125, -0.12f}, {2.004999, 2.0f}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundToCents(value), rounded) << value;
}

auto Fields(const CurrencySelection& s) {
  return std::tuple(s.masterPosition, s.secondPosition, s.masterSymbol, s.secondSymbol, s.factor);
}

class RecordingProgress : public ProgressSink {
 public:
  void SetProgress(int low, int high, int position) override { calls.push_back({low, high, position}); }
  std::vector<std::array<int, 3>> calls;
};

class CommerceRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "Shop.mdb");
    db_.Open(dir_ / "Shop.mdb");
    EnsureAttributeSentinels(db_);
    product_ = test::AddProduct(db_, test::AddCategory(db_, "Garten"), "Spaten");
  }
  void AddItems(const std::vector<std::pair<float, float>>& prices) {
    RecordSet<SubAttributesRow> values(db_);
    values.SetFilter(Eq("Name", " "));
    values.Open();
    ASSERT_FALSE(values.IsEOF());
    CRecSetItems items(db_);
    items.Open();
    int32_t order = 0;
    for (const auto& [master, second] : prices) {
      items.AddNew();
      items->ProductID = product_;
      items->Order = order++;
      items->ItemNumber = "A-" + std::to_string(order);
      items->SubAttrID1 = items->SubAttrID2 = values->ID;
      items->MPrice = master;
      items->SPrice = second;
      items.Update();
    }
  }
  std::vector<std::pair<float, float>> Prices() {
    CRecSetItems items(db_);
    items.SetSort("[ID]");
    std::vector<std::pair<float, float>> prices;
    items.ForEach([&](const ItemsRow& r) { prices.emplace_back(r.MPrice, r.SPrice); });
    return prices;
  }

  test::TempDir dir_;
  ShopDatabase db_;
  int32_t product_ = 0;
  test::ScriptedPrompter prompter_;
};

TEST_F(CommerceRulesTest, ConvertSetsEverySecondPriceAndCountsTheItems) {
  AddItems({{10, 0}, {1, 7}, {0.5f, 0}, {0, 3}});
  SetDatabaseChanged(false);
  RecordingProgress progress;
  ASSERT_TRUE(ConvertPrices(db_, 1.95583f, {&progress, {}}));
  // 10 x 1.95583 = 19.5583; 1.95583; 0.977915; 0.
  EXPECT_EQ(Prices(), (std::vector<std::pair<float, float>>{{10, 19.56f}, {1, 1.96f}, {0.5f, 0.98f}, {0, 0}}));
  EXPECT_TRUE(IsDatabaseChanged());
  ASSERT_FALSE(progress.calls.empty());
  EXPECT_EQ(progress.calls.front(), (std::array<int, 3>{0, 4, 0}));
  EXPECT_EQ(progress.calls.back(), (std::array<int, 3>{0, 4, 4}));
  EXPECT_EQ(progress.calls.size(), 5u);
}

TEST_F(CommerceRulesTest, ACancelledRunLeavesEveryPriceAndTheSelectionAsTheyWere) {
  AddItems({{10, 1}, {20, 2}, {30, 3}});
  const auto before = Prices();
  SetDatabaseChanged(false);
  int asked = 0;
  const PriceRun cancelThird{nullptr, [&] { return ++asked == 3; }};
  EXPECT_FALSE(ConvertPrices(db_, 2.0f, cancelThird));
  EXPECT_EQ(Prices(), before);

  asked = 0;
  CurrencySelection selection{3, 8, "EUR", "USD", 2.0f};
  EXPECT_FALSE(SwapCurrencies(db_, selection, cancelThird));
  EXPECT_EQ(Prices(), before);
  EXPECT_EQ(Fields(selection), std::tuple(3, 8, "EUR", "USD", 2.0f));
  EXPECT_FALSE(IsDatabaseChanged());
}

TEST_F(CommerceRulesTest, SwappingTwiceRestoresPricesChoosersSymbolsAndFactor) {
  AddItems({{10, 19.56f}, {0.99f, 0}});
  CurrencySelection selection{3, 8, "EUR", "USD", 2.0f};
  ASSERT_TRUE(SwapCurrencies(db_, selection));
  EXPECT_EQ(Prices(), (std::vector<std::pair<float, float>>{{19.56f, 10}, {0, 0.99f}}));
  // The master chooser takes the second's entry (one further down there), and back.
  EXPECT_EQ(Fields(selection), std::tuple(7, 4, "USD", "EUR", 0.5f));
  ASSERT_TRUE(SwapCurrencies(db_, selection));
  EXPECT_EQ(Prices(), (std::vector<std::pair<float, float>>{{10, 19.56f}, {0.99f, 0}}));
  EXPECT_EQ(Fields(selection), std::tuple(3, 8, "EUR", "USD", 2.0f));

  selection.factor = 0;
  ASSERT_TRUE(SwapCurrencies(db_, selection));
  EXPECT_EQ(selection.factor, 0.0f);
}

TEST_F(CommerceRulesTest, QuestionsBeforeTheRunsNameTheirDefaults) {
  prompter_.Queue(Answer::Yes);
  prompter_.Queue(Answer::No);
  EXPECT_TRUE(ConfirmConvert(prompter_));
  EXPECT_FALSE(ConfirmSwap(prompter_));
  ASSERT_EQ(prompter_.asked().size(), 2u);
  EXPECT_EQ(prompter_.asked()[0].text,
            "Möchten Sie wirklich für alle Artikel die Umrechnung der Zweitwährung ausführen?\n"
            "Der Vorgang kann einige Zeit in Anspruch nehmen...\n");
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(prompter_.asked()[1].text,
            "Möchten Sie wirklich für alle Artikel das Vertauschen der beiden Währungen ausführen?\n"
            "Der Vorgang kann einige Zeit in Anspruch nehmen...\n");
  EXPECT_EQ(prompter_.asked()[1].defaultAnswer, Answer::No);
}

TEST_F(CommerceRulesTest, BuiltInPaymentMethodsAreNeverDeleted) {
  const std::pair<const char*, bool> codes[] = {{"DE", true}, {"cc", true}, {"CCX", false}, {"", false}};
  for (const auto& [code, protectedCode] : codes) EXPECT_EQ(IsProtectedPayment(code), protectedCode) << code;

  auto add = [&](const char* name, const char* code) {
    CRecSetPayments payments(db_);
    payments.Open();
    payments.AddNew();
    payments->Name = name;
    payments->Code = code;
    payments->Include = true;
    payments.Update();
    return payments->ID;
  };
  const int32_t builtIn = add("Karte", "cc");
  const int32_t invoice = add("Rechnung", "");
  auto exists = [&](int32_t id) {
    CRecSetPayments payments(db_);
    payments.SetFilter(Eq("ID", id));
    payments.Open();
    return !payments.IsEOF();
  };

  EXPECT_FALSE(DeletePayment(db_, 0, prompter_));
  prompter_.Queue(Answer::Yes);
  EXPECT_FALSE(DeletePayment(db_, builtIn, prompter_));
  prompter_.Queue(Answer::No);
  EXPECT_FALSE(DeletePayment(db_, invoice, prompter_));
  EXPECT_TRUE(exists(builtIn));
  EXPECT_TRUE(exists(invoice));
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(DeletePayment(db_, invoice, prompter_));
  EXPECT_FALSE(exists(invoice));
  const std::string ask = "Möchten Sie die gewählte Bezahlungsart wirklich aus der Liste löschen?\n";
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{
                                   "Bitte stellen Sie sicher, dass mindestens eine Bezahlungsart selektiert ist.", ask,
                                   "Bei der gewählten Bezahlungsart handelt es sich um einen\n"
                                   "geschützten Eintrag, der nicht entfernt werden kann!\n",
                                   ask, ask}));
}

}  // namespace
}  // namespace vendora
