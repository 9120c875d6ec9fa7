#include "rules/commerce_lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "rules/commerce_rules.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

const fs::path kGif = fs::path(VENDORA_FIXTURES) / "gif" / "three_by_five.gif";

class CommerceListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "Shop.mdb");
    db_.Open(dir_ / "Shop.mdb");
    EnsureDefaultRows(db_);
    paths_ = DeriveShopPaths(dir_ / "Shop.mdb");
    ASSERT_TRUE(CreateShopFolders(paths_));
    lists_ = std::make_unique<CommerceLists>(db_, paths_, prompter_);
  }
  template <class Row>
  std::vector<Row> All(const Criteria& filter = {}) {
    return test::Rows<Row>(db_, filter);
  }
  fs::path Wraps() const { return paths_.Subfolder(ShopSubfolder::Wraps); }

  test::TempDir dir_;
  ShopDatabase db_;
  ShopPaths paths_;
  test::ScriptedPrompter prompter_;
  std::unique_ptr<CommerceLists> lists_;
};

TEST_F(CommerceListsTest, NewRowsTakeThePageDefaultsAtTheEndOfTheirList) {
  const auto payment = All<PaymentsRow>(Eq("ID", lists_->AddPayment()));
  // Behind the two built-in methods (0 and 1).
  EXPECT_EQ(std::tuple(payment[0].Name, payment[0].Price, payment[0].Code, payment[0].Order),
            std::tuple("Neue Bezahlungsart", 0.0f, "", 2));
  EXPECT_EQ(All<CreditCardsRow>(Eq("ID", lists_->AddCreditCard()))[0].Name, "Neue Kreditkarte");
  EXPECT_EQ(All<TaxesByAreaRow>(Eq("ID", lists_->AddTax(TaxList::ByArea)))[0].Area, "Neuer Steuerbereich");
  EXPECT_EQ(All<TaxesByTypeRow>(Eq("ID", lists_->AddTax(TaxList::ByType)))[0].Type, "Neue Steuerart");
  EXPECT_EQ(All<GiftWrapsRow>(Eq("ID", lists_->AddGiftWrap()))[0].Name, "Neue Geschenkverpackung");
  const int32_t shipping = lists_->AddShipping();
  EXPECT_EQ(All<ShippingRow>(Eq("ID", shipping))[0].Name, "Neue Versandart");

  ASSERT_TRUE(lists_->AddShipCharge(shipping).ok());
  EXPECT_EQ(lists_->AddShipCharge(std::nullopt).message(),
            "Bitte stellen Sie sicher, dass mindestens eine Versandmethode selektiert ist.");
  const auto charges = All<ShipChargesRow>();
  ASSERT_EQ(charges.size(), 1u);
  EXPECT_EQ(std::tuple(charges[0].Break, charges[0].Charge, charges[0].ShippingID), std::tuple(1.0f, 5.0f, shipping));

  EXPECT_FALSE(lists_->IsChanged(CommerceTab::Discounts));
  lists_->AddDiscount();
  EXPECT_EQ(std::pair(All<DiscountRow>()[0].Break, All<DiscountRow>()[0].Discount), std::pair(1.0f, 5.0f));
  EXPECT_TRUE(lists_->IsChanged(CommerceTab::Discounts));
  EXPECT_FALSE(lists_->IsChanged(CommerceTab::Orders));
}

TEST_F(CommerceListsTest, MovingRenumbersFromZeroAndWritesOnlyChangedRows) {
  const int32_t a = test::AddRow(db_, ShippingRow{.Name = "Post", .Order = 5});
  const int32_t b = test::AddRow(db_, ShippingRow{.Name = "Bahn", .Order = 7});
  const int32_t c = test::AddRow(db_, ShippingRow{.Name = "Kurier", .Order = 9});
  auto order = [&] {
    std::vector<std::pair<int32_t, int32_t>> rows;
    for (const auto& r : All<ShippingRow>()) rows.emplace_back(r.ID, r.Order);
    return rows;
  };
  EXPECT_EQ(lists_->MoveShipping(a, MoveDirection::Up), 0);
  EXPECT_EQ(lists_->MoveShipping(c, MoveDirection::Down), 0);
  EXPECT_EQ(lists_->MoveShipping(c, MoveDirection::Up), 3);
  EXPECT_EQ(order(), (std::vector<std::pair<int32_t, int32_t>>{{a, 0}, {c, 1}, {b, 2}}));
  EXPECT_EQ(lists_->MoveShipping(b, MoveDirection::Up), 2);  // the first row keeps its 0
  EXPECT_EQ(order(), (std::vector<std::pair<int32_t, int32_t>>{{a, 0}, {b, 1}, {c, 2}}));
}

TEST_F(CommerceListsTest, DeletingAShippingMethodTakesItsChargeBreaks) {
  const int32_t post = lists_->AddShipping();
  const int32_t courier = lists_->AddShipping();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(lists_->AddShipCharge(post).ok());
  const int32_t kept = *lists_->AddShipCharge(courier);

  prompter_.Queue(Answer::No);
  EXPECT_EQ(lists_->DeleteShipping(post), 0);
  EXPECT_EQ(All<ShipChargesRow>().size(), 5u);
  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(lists_->DeleteShipping(post), 1);
  const auto charges = All<ShipChargesRow>();
  ASSERT_EQ(charges.size(), 1u);
  EXPECT_EQ(charges[0].ID, kept);
  EXPECT_EQ(prompter_.Texts().back(),
            "Wollen Sie die gewählte Versandmethode wirklich löschen?\n\n"
            "Gleichzeitig werden auch alle zugewiesenen Grenzwerte entfernt!\n");
}

TEST_F(CommerceListsTest, EachDeleteAsksItsOwnQuestion) {
  const int32_t card = lists_->AddCreditCard();
  const int32_t area = lists_->AddTax(TaxList::ByArea);
  const int32_t charge = *lists_->AddShipCharge(lists_->AddShipping());
  lists_->AddDiscount();
  lists_->AddDiscount();  // two equal rows: one selected row deletes one of them
  struct Case {
    std::function<int()> del;
    const char* question;
  };
  const Case cases[] = {
      {[&] { return lists_->DeleteCreditCard(card); },
       "Möchten Sie die selektierte Kreditkarte wirklich aus der Liste löschen?\n"},
      {[&] { return *lists_->DeleteTax(TaxList::ByArea, area); },
       "Möchten Sie den selektierten Steuereintrag wirklich aus der Liste löschen?\n"},
      {[&] { return lists_->DeleteShipCharges({charge}); },
       "Wollen Sie die selektierten Grenzwert- und Gebührenpunkte wirklich löschen?\n"},
      {[&] { return lists_->DeleteDiscounts({DiscountRow{.Break = 1, .Discount = 5}}); },
       "Wollen Sie die selektierten Rabattoptionen wirklich löschen?\n"},
  };
  for (const Case& c : cases) {
    prompter_.Clear();
    prompter_.Queue(Answer::Yes);
    EXPECT_EQ(c.del(), 1) << c.question;
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.question});
  }
  EXPECT_TRUE(All<CreditCardsRow>().empty());
  EXPECT_TRUE(All<TaxesByAreaRow>().empty());
  EXPECT_TRUE(All<ShipChargesRow>().empty());
  EXPECT_EQ(All<DiscountRow>().size(), 1u);
}

TEST_F(CommerceListsTest, ATaxTypeInUseStaysAndTheNoneTypeIsNeverOffered) {
  const int32_t used = lists_->AddTax(TaxList::ByType);
  OptionsRow options = ReadSettingsRow<OptionsRow>(db_);
  const int32_t none = options.DefTaxTypeID;  // the blank type, as a new shop has it
  options.DefTaxTypeID = used;
  test::StoreRow(db_, options);

  prompter_.Queue(Answer::Yes);
  EXPECT_FALSE(lists_->DeleteTax(TaxList::ByType, used).ok());
  EXPECT_EQ(All<TaxesByTypeRow>(Eq("ID", used)).size(), 1u);
  prompter_.Clear();
  EXPECT_EQ(*lists_->DeleteTax(TaxList::ByType, none), 0);
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(CommerceListsTest, WrapPicturesWaitForTheSaveOfTheTab) {
  const int32_t wrap = lists_->AddGiftWrap();
  const std::string id = std::to_string(wrap);
  EXPECT_EQ(lists_->ChooseWrapPicture(std::nullopt, kGif).message(),
            "Bitte stellen Sie sicher, dass mindestens ein Geschenkpapier selektiert ist.");

  ASSERT_TRUE(lists_->ChooseWrapPicture(wrap, kGif).ok());
  EXPECT_FALSE(fs::exists(Wraps() / (id + ".gif")));
  EXPECT_TRUE(lists_->ShownWrapPicture(wrap) == kGif);
  ASSERT_TRUE(lists_->SaveTab(CommerceTab::GiftOptions).ok());
  EXPECT_TRUE(fs::exists(Wraps() / (id + ".gif")));
  EXPECT_EQ(All<GiftWrapsRow>(Eq("ID", wrap))[0].Ext, "gif");

  ASSERT_TRUE(lists_->RemoveWrapPicture(wrap).ok());
  ASSERT_TRUE(lists_->SaveTab(CommerceTab::GiftOptions).ok());
  EXPECT_FALSE(fs::exists(Wraps() / (id + ".gif")));
  EXPECT_EQ(All<GiftWrapsRow>(Eq("ID", wrap))[0].Ext, "");

  // A folder where the copy must go makes it fail.
  fs::create_directories(Wraps() / (id + ".gif"));
  ASSERT_TRUE(lists_->ChooseWrapPicture(wrap, kGif).ok());
  const Status failed = lists_->SaveTab(CommerceTab::GiftOptions);
  EXPECT_EQ(failed.message(), "Beim Kopieren der Datei trat ein Fehler auf.\n" + kGif.string() + "\n");
  EXPECT_TRUE(lists_->IsChanged(CommerceTab::GiftOptions));
  fs::remove(Wraps() / (id + ".gif"));

  fs::copy_file(kGif, Wraps() / (id + ".gif"));
  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(lists_->DeleteGiftWrap(wrap), 1);
  EXPECT_EQ(prompter_.Texts().back(), "Wollen Sie das selektierte Geschenkpapier wirklich löschen?\n");
  EXPECT_FALSE(fs::exists(Wraps() / (id + ".gif")));
}

TEST_F(CommerceListsTest, LeavingWithChangesAsksAndSavesEveryTabInOrder) {
  EXPECT_TRUE(*lists_->ConfirmLeave(nullptr));
  lists_->MarkChanged(CommerceTab::Shipping);
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(*lists_->ConfirmLeave(nullptr));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text, "Möchten Sie die Änderungen im Dialog Handel speichern?\n");
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNoCancel);

  std::vector<int> written;
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(*lists_->ConfirmLeave([&](CommerceTab tab) {
    written.push_back(static_cast<int>(tab));
    return Status::Ok();
  }));
  EXPECT_EQ(written, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(lists_->AnyChanged());
}

TEST(CommerceFields, InsuranceSwitchesPullEachOtherAlong) {
  InsuranceSwitches s = SwitchInsuranceReplaces({}, true);
  EXPECT_TRUE(s.insurance && s.replaces && s.AmountsEnabled() && s.ReplacesValueEnabled());
  s = SwitchInsuranceReplaces(s, false);
  EXPECT_TRUE(s.insurance && !s.replaces && !s.ReplacesValueEnabled());
  s = SwitchInsurance(SwitchInsuranceReplaces(s, true), false);
  EXPECT_FALSE(s.insurance || s.replaces || s.AmountsEnabled());
}

TEST(CommerceFields, CalculationTypesTellWhereTheirValuesGo) {
  test::ScriptedPrompter prompter;
  for (int type = 0; type <= 5; ++type) ChooseShippingCalc(type, prompter);
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{
                                  "Bitte geben Sie die Gewichtsinformationen pro Artikel\n"
                                  "in das entsprechende Feld im Katalogteil ein.\n",
                                  "Bitte geben Sie die Versandinformationen pro Artikel\n"
                                  "in das Feld Artikelversand im Katalogteil ein.\n"}));
  EXPECT_EQ(prompter.asked()[0].icon, MessageIcon::Information);
}

TEST(CommerceFields, NumberFieldsShowAPointUnderAGermanLocale) {
  test::GermanLocale german;
  ASSERT_TRUE(german.active()) << "the de_DE.UTF-8 locale is needed";
  EXPECT_EQ(FormatNumberField(NumberFieldKind::Factor, 1.95583f), "1.955830");
  EXPECT_EQ(FormatNumberField(NumberFieldKind::InsurancePercent, 2.5f), "2.5000");
  EXPECT_EQ(FormatNumberField(NumberFieldKind::Amount, 12.5f), "12.50");
}

}  // namespace
}  // namespace vendora
