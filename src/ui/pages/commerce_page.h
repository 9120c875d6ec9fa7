#pragma once
// " Handel ": order handling and currencies, payment and taxes, shipping with its
// charge breaks and insurance, discounts, gift options. The fields of the single
// Options row are held by the page until a tab's "Infos speichern"; the lists write
// each action at once (rules/commerce_lists.h), and the price runs over all items
// show a progress dialog that can be cancelled, leaving every price as it was.
#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "pages/sheet_page.h"
#include "rules/commerce_lists.h"
#include "shopdb/rows.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vendora {

class ListRows;
class PicturePreview;
class RecordList;

class CommercePage : public SheetPage {
  Q_OBJECT
 public:
  enum Tab { kOrdersTab = 0, kPaymentTab, kShippingTab, kDiscountTab, kGiftTab };

  explicit CommercePage(UiContext& context, QWidget* parent = nullptr);
  ~CommercePage() override;

  QTabWidget* Tabs() const override { return tabs_; }
  bool CanLeave() override;
  void ShopChanged() override;

  // A switch or a number field of the Options row, by field name.
  QCheckBox* Switch(std::string_view field) const;
  QLineEdit* NumberField(std::string_view field) const;
  QComboBox* MasterCurrency() const { return master_; }
  QComboBox* SecondCurrency() const { return second_; }
  QLineEdit* MasterSymbol() const { return masterSymbol_; }
  QLineEdit* SecondSymbol() const { return secondSymbol_; }
  QPushButton* ConvertButton() const { return convert_; }
  QPushButton* SwapButton() const { return swap_; }
  QComboBox* TaxType() const { return taxType_; }
  QComboBox* DefaultTaxType() const { return defaultTax_; }
  QComboBox* ShippingCalc() const { return shippingCalc_; }
  QComboBox* DiscountMode() const { return discountMode_; }
  QRadioButton* WrapPerItem() const { return perItem_; }
  PicturePreview* WrapPicture() const { return wrapPicture_; }
  QPushButton* SaveButton(Tab tab) const { return saves_[tab]; }

  RecordList* Payments() const { return payments_; }
  RecordList* CreditCards() const { return cards_; }
  RecordList* Taxes() const { return taxes_; }
  RecordList* ShippingMethods() const { return shipping_; }
  RecordList* ShipCharges() const { return charges_; }
  RecordList* Discounts() const { return discounts_; }
  RecordList* GiftWraps() const { return wraps_; }

  bool HasUnsavedChanges() const;
  // "Infos speichern" of the tab: its fields and, for the gift tab, the wrap pictures.
  bool SaveTab(Tab tab);
  // "Umrechnen!" and "Währungen vertauschen"; true when the prices were changed.
  bool Convert();
  bool Swap();

  // The list buttons, by list.
  void AddRow(RecordList* list);
  void DeleteRows(RecordList* list);
  void MoveRow(RecordList* list, bool up);
  void ChooseWrapPicture();
  void RemoveWrapPicture();

 signals:
  // A price run's dialog moved to `position` (its maximum is the item count).
  void PriceRunMoved(QProgressDialog* dialog, int position);

 private:
  QWidget* BuildOrdersTab();
  QWidget* BuildPaymentTab();
  QWidget* BuildShippingTab();
  QWidget* BuildDiscountTab();
  QWidget* BuildGiftTab();
  QWidget* ListWithButtons(RecordList* list, bool ordered);

  void Load();
  void ShowFields();
  void FillDefaultTax();
  void ShowLists();
  void FieldEdited();
  bool NumberFieldLeft(std::string_view field);
  Status WriteFields(CommerceTab tab);
  void ShowCurrencyControls();
  void ShowTaxList();
  void ShowCharges();
  void ShowShippingCaptions();
  void ShowInsurance();
  void ShowWrapPicture();
  // Runs the price change with the dialog; false when cancelled or refused.
  template <class Run>
  bool RunOverItems(std::string_view caption, Run&& run);

  std::unique_ptr<CommerceLists> lists_;
  OptionsRow loaded_, edited_;
  QTabWidget* tabs_;

  struct SwitchControl {
    std::string_view field;
    CommerceTab tab;
    bool OptionsRow::*member;
    QCheckBox* box;
  };
  struct NumberControl {
    std::string_view field;
    CommerceTab tab;
    float OptionsRow::*member;
    int kind;  // NumberFieldKind
    QLineEdit* edit;
  };
  std::vector<SwitchControl> switches_;
  std::vector<NumberControl> numbers_;
  QComboBox *master_, *second_, *taxType_, *defaultTax_, *shippingCalc_, *discountMode_;
  QLineEdit *masterSymbol_, *secondSymbol_;
  QLabel* factorLabel_;
  QPushButton *convert_, *swap_;
  QRadioButton *perItem_, *perOrder_;
  PicturePreview* wrapPicture_;
  QPushButton *chooseWrap_, *removeWrap_;
  std::vector<QPushButton*> saves_;

  RecordList *payments_, *cards_, *taxes_, *shipping_, *charges_, *discounts_, *wraps_;
  std::vector<std::unique_ptr<ListRows>> sources_;
  ListRows *paymentRows_ = nullptr, *cardRows_ = nullptr, *areaRows_ = nullptr, *typeRows_ = nullptr,
           *shippingRows_ = nullptr, *chargeRows_ = nullptr, *discountRows_ = nullptr, *wrapRows_ = nullptr;
  std::optional<int32_t> chargesOf_;  // the shipping method whose breaks are shown

  bool filling_ = false;
};

}  // namespace vendora
