// The commerce page: order fields, currencies and lists through the database into the
// generated shop; the price runs with their progress dialog and its cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <gtest/gtest.h>

#include <tuple>

#include "controls/record_list.h"
#include "pages/commerce_page.h"
#include "app/demo_shop.h"
#include "common/log.h"
#include "generator/generation.h"
#include "rules/currencies.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

void Leave(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  emit edit->editingFinished();
}

void Choose(QComboBox* box, int position) {
  box->setCurrentIndex(position);
  emit box->activated(position);
}

bool WriteCell(RecordList* list, int row, int column, const QVariant& value,
               int role = Qt::EditRole) {
  return list->Model()->setData(list->Model()->index(row, column), value, role);
}

TEST(CommercePage, FieldsAndListsReachTheGeneratedShop) {
  DesktopFixture f;
  f.OpenDemoShop();
  CommercePage shown(f.context);
  CommercePage* page = &shown;
  page->resize(1040, 700);
  page->show();
  page->Tabs()->setCurrentIndex(CommercePage::kOrdersTab);

  // Currencies: the symbol follows the choice; no second currency, no factor controls.
  Choose(page->MasterCurrency(), *ChoicePosition(MasterCurrencyChoices(), "EUR"));
  EXPECT_EQ(page->MasterSymbol()->text(), "EUR");
  Choose(page->SecondCurrency(), 0);
  EXPECT_EQ(page->SecondCurrency()->currentText(), "Keine zweite Währung");
  EXPECT_EQ(page->SecondSymbol()->text(), "");
  EXPECT_FALSE(page->ConvertButton()->isEnabled());
  EXPECT_FALSE(page->NumberField("Factor")->isEnabled());
  Choose(page->SecondCurrency(), *ChoicePosition(SecondCurrencyChoices(), "USD"));
  EXPECT_EQ(page->SecondSymbol()->text(), "USD");
  EXPECT_TRUE(page->SwapButton()->isEnabled());
  Leave(page->NumberField("Factor"), "1,95583");
  EXPECT_EQ(page->NumberField("Factor")->text(), "1.955830");

  // A bad number is refused with both texts where both apply, and not taken.
  Leave(page->NumberField("MinAmount"), "25");
  f.prompter.Clear();
  Leave(page->NumberField("MinAmount"), "1e99x");
  ASSERT_EQ(f.prompter.Texts().size(), 1u);
  EXPECT_EQ(f.prompter.Texts()[0],
            "Es können nur Zahlen eingegeben werden.\nDer eingegebene Wert liegt nicht innerhalb des gültigen "
            "Bereichs.\n");
  EXPECT_EQ(page->NumberField("MinAmount")->text(), "25.00");
  page->Switch("ReqFax")->setChecked(true);
  Screenshot(page, "page3_commerce_orders");
  ASSERT_TRUE(page->SaveTab(CommercePage::kOrdersTab));
  const OptionsRow options = ReadSettingsRow<OptionsRow>(f.Db());
  EXPECT_EQ(options.MCurrency, "EUR");
  EXPECT_EQ(options.SCurrency, "USD");
  EXPECT_EQ(options.Factor, 1.95583f);
  EXPECT_EQ(options.MinAmount, 25.0f);
  EXPECT_TRUE(options.ReqFax);

  // Payment: a new method, named and priced in place; the built-in "CC" stays.
  page->Tabs()->setCurrentIndex(CommercePage::kPaymentTab);
  page->AddRow(page->Payments());
  const int row = page->Payments()->CurrentRow();
  ASSERT_GE(row, 0);
  EXPECT_EQ(page->Payments()->Model()->index(row, 1).data().toString(), "Neue Bezahlungsart");
  page->Payments()->CommitEdit();
  ASSERT_TRUE(WriteCell(page->Payments(), row, 1, QStringLiteral("Nachnahme")));
  ASSERT_TRUE(WriteCell(page->Payments(), row, 2, QStringLiteral("4,95")));
  ASSERT_TRUE(WriteCell(page->Payments(), row, 0, Qt::Checked, Qt::CheckStateRole));
  EXPECT_FALSE(WriteCell(page->Payments(), row, 2, QStringLiteral("viel")));
  for (int r = 0; r < page->Payments()->Model()->rowCount(); ++r)
    if (page->Payments()->Model()->index(r, 3).data().toString().compare("cc", Qt::CaseInsensitive) == 0)
      page->Payments()->SelectRow(r);
  page->DeleteRows(page->Payments());
  EXPECT_EQ(f.prompter.Texts().back(),
            "Bei der gewählten Bezahlungsart handelt es sich um einen\ngeschützten Eintrag, der nicht entfernt werden "
            "kann!\n");
  Screenshot(page, "page3_commerce_payment");
  ASSERT_TRUE(page->SaveTab(CommercePage::kPaymentTab));

  // Shipping: the insurance switches pull each other along.
  page->Tabs()->setCurrentIndex(CommercePage::kShippingTab);
  page->Switch("Insurance")->setChecked(false);
  page->Switch("InsuranceReplaces")->click();
  EXPECT_TRUE(page->Switch("Insurance")->isChecked());
  EXPECT_TRUE(page->NumberField("InsuranceValue")->isEnabled());
  Choose(page->ShippingCalc(), 2);  // "Gewicht"
  EXPECT_EQ(f.prompter.Texts().back(),
            "Bitte geben Sie die Gewichtsinformationen pro Artikel\nin das entsprechende Feld im Katalogteil ein.\n");
  Screenshot(page, "page3_commerce_shipping");
  ASSERT_TRUE(page->SaveTab(CommercePage::kShippingTab));
  EXPECT_TRUE(ReadSettingsRow<OptionsRow>(f.Db()).InsuranceReplaces);

  for (CommercePage::Tab tab : {CommercePage::kDiscountTab, CommercePage::kGiftTab}) {
    page->Tabs()->setCurrentIndex(tab);
    Screenshot(page, tab == CommercePage::kDiscountTab ? "page3_commerce_discount" : "page3_commerce_gift");
  }
  EXPECT_FALSE(page->HasUnsavedChanges());

  ASSERT_TRUE(f.Generate());
  const std::string config = ReadFileBytes(f.manager.Paths().folder / "data" / "config.cnf");
  for (const char* line : {"$SoldMin = 25.00;\n", "$ReqFieldFax = 1;\n", "$Payment{'Nachnahme'} = \"4.95\";\n",
                           "$Shipping_Typ = 2;\n", "$Shipping_Ensurance_Replace = 1;\n"})
    EXPECT_NE(config.find(line), std::string::npos) << line;
}

TEST(CommercePage, ACancelledConvertLeavesEveryPrice) {
  DesktopFixture f;
  f.OpenDemoShop();
  {
    CMyDaoRecordset<ItemsRow> items(f.Db());
    items.Open();
    ASSERT_FALSE(items.IsEOF());
    items.Edit();
    items->MPrice = 10;
    items.Update();
  }
  auto prices = [&] {
    std::vector<std::pair<float, float>> p;
    RecordSet<ItemsRow> items(f.Db());
    items.ForEach([&](const ItemsRow& i) { p.emplace_back(i.MPrice, i.SPrice); });
    return p;
  };
  const auto before = prices();
  CommercePage shown(f.context);
  CommercePage* page = &shown;
  page->resize(1040, 700);
  page->show();
  page->Tabs()->setCurrentIndex(CommercePage::kOrdersTab);
  Choose(page->SecondCurrency(), *ChoicePosition(SecondCurrencyChoices(), "USD"));

  // A factor of 0 would wipe every second price: refused before the question.
  page->NumberField("Factor")->setText(QStringLiteral("0"));
  f.prompter.Clear();
  EXPECT_FALSE(page->Convert());
  EXPECT_EQ(f.prompter.Texts(),
            std::vector<std::string>{"Der Umrechnungsfaktor muss größer als 0 sein. Die Preise wurden nicht geändert."});

  page->NumberField("Factor")->setText(QStringLiteral("1.95583"));
  std::vector<int> moves;
  QString caption;
  bool cancel = true;
  QObject::connect(page, &CommercePage::PriceRunMoved, page, [&](QProgressDialog* dialog, int position) {
    moves.push_back(position);
    caption = dialog->labelText();
    if (cancel) dialog->cancel();
  });
  f.prompter.Queue(Answer::Yes);
  EXPECT_FALSE(page->Convert());
  EXPECT_EQ(prices(), before);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(caption, "Umrechen der Hauptwährung in die Zweitwährung...");

  cancel = false;
  moves.clear();
  f.prompter.Queue(Answer::Yes);
  ASSERT_TRUE(page->Convert());
  EXPECT_EQ(moves.back(), static_cast<int>(before.size()));  // the dialog reached its end
  EXPECT_EQ(prices().front(), std::make_pair(10.0f, 19.56f));

  // Swapped, the prices and the currencies they are in are stored together.
  Choose(page->MasterCurrency(), *ChoicePosition(MasterCurrencyChoices(), "EUR"));
  page->NumberField("Factor")->setText(QStringLiteral("2"));
  f.prompter.Queue(Answer::Yes);
  ASSERT_TRUE(page->Swap());
  EXPECT_EQ(prices().front(), std::make_pair(19.56f, 10.0f));
  EXPECT_EQ(caption, "Vertauschen von Haupt- und Zweitwährung...");
  const OptionsRow options = ReadSettingsRow<OptionsRow>(f.Db());
  EXPECT_EQ(std::tuple(options.MCurrency, options.SCurrency, options.Factor), std::tuple("USD", "EUR", 0.5f));
  EXPECT_EQ(page->MasterCurrency()->currentIndex(), *ChoicePosition(MasterCurrencyChoices(), "USD"));
  EXPECT_EQ(page->NumberField("Factor")->text(), "0.500000");
}

}  // namespace
}  // namespace vendora::test
