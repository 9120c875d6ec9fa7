#include "pages/commerce_page.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/log.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "controls/progress_dialog.h"
#include "controls/list_shortcuts.h"
#include "controls/preview_fields.h"
#include "controls/record_list.h"
#include "dialogs.h"
#include "rules/commerce_fields.h"
#include "rules/commerce_rules.h"
#include "rules/currencies.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

constexpr const char* kTaxTypeNames[] = {"Keine Steuern berechnen", "Steuern nach Region berechnen",
                                         "Steuern nach Produkt berechnen"};
constexpr const char* kDiscountNames[] = {"Keine Rabatte anbieten", "Rabatt nach Gesamtbestellwert anbieten",
                                          "Rabatt auf Prozentbasis anbieten", "Rabatt auf Bestellmenge"};

QPushButton* Button(const char* text, QWidget* parent) { return new QPushButton(QString::fromUtf8(text), parent); }

QComboBox* Chooser(std::initializer_list<const char*> names, QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (const char* n : names) box->addItem(QString::fromUtf8(n));
  return box;
}

}  // namespace

CommercePage::CommercePage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Handel "), parent) {
  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildOrdersTab(), QStringLiteral(" Auftragsbearbeitung "));
  tabs_->addTab(BuildPaymentTab(), QStringLiteral(" Bezahlung und Steuern "));
  tabs_->addTab(BuildShippingTab(), QStringLiteral(" Versand "));
  tabs_->addTab(BuildDiscountTab(), QStringLiteral(" Rabatt "));
  tabs_->addTab(BuildGiftTab(), QStringLiteral(" Geschenkoptionen "));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  for (int tab = 0; tab < kCommerceTabCount; ++tab) {
    QPushButton* save = saves_[static_cast<size_t>(tab)];
    connect(save, &QPushButton::clicked, this, [this, tab] { SaveTab(static_cast<Tab>(tab)); });
  }
  ShopChanged();
}

CommercePage::~CommercePage() = default;

// ---- building ------------------------------------------------------------------------

QWidget* CommercePage::ListWithButtons(RecordList* list, bool ordered) {
  auto* box = new QWidget;
  auto* buttons = new QVBoxLayout;
  // Several lists share a tab: their buttons are reached by the list shortcuts
  // (Ctrl+N, Ctrl+D, Ctrl+Up, Ctrl+Down) rather than by letters that would collide.
  QPushButton* add = Button("Neu", box);
  QPushButton* remove = Button("Löschen", box);
  buttons->addWidget(add);
  buttons->addWidget(remove);
  connect(add, &QPushButton::clicked, this, [this, list] { AddRow(list); });
  connect(remove, &QPushButton::clicked, this, [this, list] { DeleteRows(list); });
  ListButtons bound{add, remove};
  if (ordered) {
    QPushButton* up = Button("Nach oben", box);
    QPushButton* down = Button("Nach unten", box);
    buttons->addWidget(up);
    buttons->addWidget(down);
    connect(up, &QPushButton::clicked, this, [this, list] { MoveRow(list, true); });
    connect(down, &QPushButton::clicked, this, [this, list] { MoveRow(list, false); });
    bound.up = up;
    bound.down = down;
  }
  BindListButtons(list->View(), bound);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  list->setParent(box);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
  return box;
}

QWidget* CommercePage::BuildOrdersTab() {
  auto* tab = new QWidget;
  auto addSwitch = [this](std::string_view field, const char* caption, CommerceTab t, bool OptionsRow::*member,
                          QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    switches_.push_back({field, t, member, box});
    connect(box, &QCheckBox::toggled, this, [this] { FieldEdited(); });
    return box;
  };
  auto addNumber = [this](std::string_view field, CommerceTab t, float OptionsRow::*member, NumberFieldKind kind,
                          QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(120);
    numbers_.push_back({field, t, member, static_cast<int>(kind), edit});
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { NumberFieldLeft(field); });
    return edit;
  };
  const CommerceTab orders = CommerceTab::Orders;

  auto* required = new QGroupBox(QStringLiteral("Erforderliche Kundenangaben"), tab);
  auto* requiredLayout = new QVBoxLayout(required);
  requiredLayout->addWidget(addSwitch("ReqPhone", " Tele&fonnummer ", orders, &OptionsRow::ReqPhone, required));
  requiredLayout->addWidget(addSwitch("ReqFax", " Fa&xnummer ", orders, &OptionsRow::ReqFax, required));
  requiredLayout->addWidget(addSwitch("ReqEmail", " E&mail-Adresse ", orders, &OptionsRow::ReqEmail, required));
  requiredLayout->addWidget(addSwitch("ReqCustID", " Kunden&nummer ", orders, &OptionsRow::ReqCustID, required));
  requiredLayout->addWidget(addSwitch("ReqCountry", " &Land ", orders, &OptionsRow::ReqCountry, required));

  auto* accept = new QGroupBox(QStringLiteral("Bestellannahme"), tab);
  auto* acceptLayout = new QVBoxLayout(accept);
  acceptLayout->addWidget(
      addSwitch("ElectronicSubmit", " &Internet-Eingabe ", orders, &OptionsRow::ElectronicSubmit, accept));
  acceptLayout->addWidget(addSwitch("PrintMail", " &Ausgedrucktes und per Post versandtes Formular ", orders,
                                    &OptionsRow::PrintMail, accept));
  acceptLayout->addWidget(addSwitch("PrintFax", " Ausgedru&cktes und per Fax versandtes Formular ", orders,
                                    &OptionsRow::PrintFax, accept));

  auto* currencies = new QGroupBox(QStringLiteral("Währungen"), tab);
  auto* grid = new QGridLayout(currencies);
  master_ = new QComboBox(currencies);
  for (const CurrencyChoice& c : MasterCurrencyChoices()) master_->addItem(Q(c.name));
  second_ = new QComboBox(currencies);
  for (const CurrencyChoice& c : SecondCurrencyChoices()) second_->addItem(Q(c.name));
  masterSymbol_ = new QLineEdit(currencies);
  secondSymbol_ = new QLineEdit(currencies);
  for (QLineEdit* symbol : {masterSymbol_, secondSymbol_}) {
    symbol->setMaxLength(5);  // the width of MCurrency and SCurrency
    symbol->setMaximumWidth(70);
    connect(symbol, &QLineEdit::textChanged, this, [this] { FieldEdited(); });
  }
  grid->addWidget(new QLabel(QStringLiteral("Hauptwährung:"), currencies), 0, 0);
  grid->addWidget(master_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Symbol:"), currencies), 0, 2);
  grid->addWidget(masterSymbol_, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Zweitwährung:"), currencies), 1, 0);
  grid->addWidget(second_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Symbol:"), currencies), 1, 2);
  grid->addWidget(secondSymbol_, 1, 3);
  grid->addWidget(addSwitch("DoFactor", " Zwei&twährung automatisch berechnen. ", orders, &OptionsRow::DoFactor,
                            currencies),
                  2, 0, 1, 4);
  factorLabel_ = new QLabel(QStringLiteral("Umr.-Fa&ktor:"), currencies);
  QLineEdit* factor = addNumber("Factor", orders, &OptionsRow::Factor, NumberFieldKind::Factor, currencies);
  factorLabel_->setBuddy(factor);
  convert_ = Button("&Umrechnen!", currencies);
  swap_ = Button("Währungen &vertauschen", currencies);
  grid->addWidget(factorLabel_, 3, 0);
  grid->addWidget(factor, 3, 1);
  grid->addWidget(convert_, 4, 0, 1, 2);
  grid->addWidget(swap_, 4, 2, 1, 2);
  connect(master_, &QComboBox::activated, this, [this](int position) {
    masterSymbol_->setText(Q(CurrencySymbol(MasterCurrencyChoices()[static_cast<size_t>(position)])));
  });
  connect(second_, &QComboBox::activated, this, [this](int position) {
    secondSymbol_->setText(Q(CurrencySymbol(SecondCurrencyChoices()[static_cast<size_t>(position)])));
  });
  connect(convert_, &QPushButton::clicked, this, [this] { Convert(); });
  connect(swap_, &QPushButton::clicked, this, [this] { Swap(); });

  auto* minimum = new QHBoxLayout;
  auto* minimumLabel = new QLabel(QStringLiteral("Mindestbestell&wert"), tab);
  QLineEdit* minAmount = addNumber("MinAmount", orders, &OptionsRow::MinAmount, NumberFieldKind::Amount, tab);
  minimumLabel->setBuddy(minAmount);
  minimum->addWidget(minimumLabel);
  minimum->addWidget(minAmount);
  minimum->addStretch();

  saves_.push_back(Button("Infos &speichern", tab));
  auto* left = new QVBoxLayout;
  left->addWidget(required);
  left->addWidget(accept);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(currencies);
  right->addLayout(minimum);
  right->addStretch();
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saves_.back());
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(columns, 1);
  layout->addLayout(saveRow);
  return tab;
}

QWidget* CommercePage::BuildPaymentTab() {
  auto* tab = new QWidget;
  payments_ = new RecordList(QStringLiteral("Bezahlungsarten"),
                             {{QStringLiteral("Aktiv"), ColumnKind::Switch},
                              {QStringLiteral("Bezahlungsart"), ColumnKind::Text, 64},
                              {QStringLiteral("Gebühr"), ColumnKind::Number},
                              // The built-in methods are known by their code; it is not typed.
                              {QStringLiteral("Code"), ColumnKind::Text, 4, false}},
                             context_.prompter);
  cards_ = new RecordList(QStringLiteral("Kreditkarten"), {{QStringLiteral("Kreditkarte"), ColumnKind::Text, 64}},
                          context_.prompter);
  taxes_ = new RecordList(QStringLiteral("Steuern"),
                          {{QStringLiteral("Bezeichnung"), ColumnKind::Text, 64},
                           {QStringLiteral("Steuersatz (%)"), ColumnKind::Number}},
                          context_.prompter);
  taxType_ = Chooser({kTaxTypeNames[0], kTaxTypeNames[1], kTaxTypeNames[2]}, tab);
  defaultTax_ = new QComboBox(tab);
  connect(taxType_, &QComboBox::currentIndexChanged, this, [this] {
    FieldEdited();
    ShowTaxList();
  });
  connect(defaultTax_, &QComboBox::currentIndexChanged, this, [this] { FieldEdited(); });

  auto* taxForm = new QFormLayout;
  taxForm->addRow(QStringLiteral("Steuerberechnung:"), taxType_);
  auto* defaultLabel = new QLabel(QStringLiteral("&Vorgabe für Steuerart:"), tab);
  defaultLabel->setBuddy(defaultTax_);
  taxForm->addRow(defaultLabel, defaultTax_);

  saves_.push_back(Button("Infos &speichern", tab));
  auto* grid = new QGridLayout(tab);
  grid->addWidget(ListWithButtons(payments_, true), 0, 0);
  grid->addWidget(ListWithButtons(cards_, true), 0, 1);
  auto* taxSide = new QVBoxLayout;
  taxSide->addLayout(taxForm);
  taxSide->addWidget(ListWithButtons(taxes_, false), 1);
  grid->addLayout(taxSide, 1, 0, 1, 2);
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saves_.back());
  grid->addLayout(saveRow, 2, 0, 1, 2);
  return tab;
}

QWidget* CommercePage::BuildShippingTab() {
  auto* tab = new QWidget;
  shippingCalc_ = new QComboBox(tab);
  for (std::string_view name : kShippingCalcNames) shippingCalc_->addItem(Q(name));
  connect(shippingCalc_, &QComboBox::currentIndexChanged, this, [this] {
    FieldEdited();
    ShowShippingCaptions();
  });
  connect(shippingCalc_, &QComboBox::activated, this,
          [this](int type) { ChooseShippingCalc(type, context_.prompter); });
  shipping_ = new RecordList(QStringLiteral("Versandarten"), {{QStringLiteral("Versandart"), ColumnKind::Text, 64}},
                             context_.prompter);
  charges_ = new RecordList(QStringLiteral("Grenzwerte und Gebühren"),
                            {{QStringLiteral("Grenzwert"), ColumnKind::Number},
                             {QStringLiteral("Gebühr"), ColumnKind::Number}},
                            context_.prompter);
  charges_->SetMultiSelection(true);
  connect(shipping_, &RecordList::CurrentChanged, this, [this] { ShowCharges(); });

  auto* insurance = new QGroupBox(QStringLiteral("Transportversicherung"), tab);
  auto* grid = new QGridLayout(insurance);
  auto addSwitch = [this](std::string_view field, const char* caption, bool OptionsRow::*member, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    switches_.push_back({field, CommerceTab::Shipping, member, box});
    return box;
  };
  auto addNumber = [this](std::string_view field, float OptionsRow::*member, NumberFieldKind kind, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(110);
    numbers_.push_back({field, CommerceTab::Shipping, member, static_cast<int>(kind), edit});
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { NumberFieldLeft(field); });
    return edit;
  };
  QCheckBox* insured =
      addSwitch("Insurance", " Abschluss einer Transportversicherung in Höhe von ", &OptionsRow::Insurance, insurance);
  QCheckBox* replaces = addSwitch("InsuranceReplaces", " Die Transportversicherung soll die Versandkosten ab ",
                                  &OptionsRow::InsuranceReplaces, insurance);
  grid->addWidget(insured, 0, 0);
  grid->addWidget(addNumber("InsuranceValue", &OptionsRow::InsuranceValue, NumberFieldKind::InsurancePercent,
                            insurance),
                  0, 1);
  grid->addWidget(new QLabel(QStringLiteral("% ab einem Warenwert von"), insurance), 0, 2);
  grid->addWidget(addNumber("InsuranceLimit", &OptionsRow::InsuranceLimit, NumberFieldKind::Amount, insurance), 0, 3);
  grid->addWidget(replaces, 1, 0);
  grid->addWidget(addNumber("InsuranceReplacesValue", &OptionsRow::InsuranceReplacesValue, NumberFieldKind::Amount,
                            insurance),
                  1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Warenwert ersetzen."), insurance), 1, 2);
  // The switches pull each other along (rules/commerce_rules.h).
  connect(insured, &QCheckBox::clicked, this, [this, insured, replaces](bool on) {
    const InsuranceSwitches s = SwitchInsurance({insured->isChecked(), replaces->isChecked()}, on);
    replaces->setChecked(s.replaces);
    FieldEdited();
    ShowInsurance();
  });
  connect(replaces, &QCheckBox::clicked, this, [this, insured, replaces](bool on) {
    const InsuranceSwitches s = SwitchInsuranceReplaces({insured->isChecked(), replaces->isChecked()}, on);
    insured->setChecked(s.insurance);
    FieldEdited();
    ShowInsurance();
  });

  saves_.push_back(Button("Infos &speichern", tab));
  auto* calcRow = new QHBoxLayout;
  auto* calcLabel = new QLabel(QStringLiteral("&Art der Berechnung:"), tab);
  calcLabel->setBuddy(shippingCalc_);
  calcRow->addWidget(calcLabel);
  calcRow->addWidget(shippingCalc_);
  calcRow->addStretch();
  auto* lists = new QHBoxLayout;
  lists->addWidget(ListWithButtons(shipping_, true), 1);
  lists->addWidget(ListWithButtons(charges_, false), 1);
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saves_.back());
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(calcRow);
  layout->addLayout(lists, 1);
  layout->addWidget(insurance);
  layout->addLayout(saveRow);
  return tab;
}

QWidget* CommercePage::BuildDiscountTab() {
  auto* tab = new QWidget;
  discountMode_ = Chooser({kDiscountNames[0], kDiscountNames[1], kDiscountNames[2], kDiscountNames[3]}, tab);
  connect(discountMode_, &QComboBox::currentIndexChanged, this, [this] { FieldEdited(); });
  discounts_ = new RecordList(QStringLiteral("Rabattstaffel"),
                              {{QStringLiteral("Ab"), ColumnKind::Number}, {QStringLiteral("Rabatt"), ColumnKind::Number}},
                              context_.prompter);
  discounts_->SetMultiSelection(true);
  // Discount rows are sorted by their break: an edited break moves its row.
  connect(discounts_, &RecordList::Written, this, [this] { QTimer::singleShot(0, discounts_, [this] { discounts_->Reload(); }); });
  saves_.push_back(Button("Infos &speichern", tab));
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saves_.back());
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(discountMode_);
  layout->addWidget(ListWithButtons(discounts_, false), 1);
  layout->addLayout(saveRow);
  return tab;
}

QWidget* CommercePage::BuildGiftTab() {
  auto* tab = new QWidget;
  auto addSwitch = [this, tab](std::string_view field, const char* caption, bool OptionsRow::*member) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), tab);
    switches_.push_back({field, CommerceTab::GiftOptions, member, box});
    connect(box, &QCheckBox::toggled, this, [this] { FieldEdited(); });
    return box;
  };
  auto addNumber = [this, tab](std::string_view field, float OptionsRow::*member) {
    auto* edit = new QLineEdit(tab);
    edit->setMaximumWidth(110);
    numbers_.push_back({field, CommerceTab::GiftOptions, member, static_cast<int>(NumberFieldKind::Amount), edit});
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { NumberFieldLeft(field); });
    return edit;
  };
  QCheckBox* offerWrap = addSwitch("OfferGiftWrap", " Geschenk&verpackung anbieten ", &OptionsRow::OfferGiftWrap);
  QLineEdit* wrapCharge = addNumber("WrapCharge", &OptionsRow::WrapCharge);
  perItem_ = new QRadioButton(QStringLiteral(" &Artikel "), tab);
  perOrder_ = new QRadioButton(QStringLiteral(" &Bestellung "), tab);
  auto* perGroup = new QButtonGroup(tab);
  perGroup->addButton(perItem_);
  perGroup->addButton(perOrder_);
  connect(perItem_, &QRadioButton::toggled, this, [this] { FieldEdited(); });
  QCheckBox* offerMessage = addSwitch("OfferGiftMessage", " &Mitteilungen anbieten ", &OptionsRow::OfferGiftMessage);
  QLineEdit* messageCharge = addNumber("MessageCharge", &OptionsRow::MessageCharge);

  wraps_ = new RecordList(QStringLiteral("Geschenkverpackungen"),
                          {{QStringLiteral("Geschenkverpackung"), ColumnKind::Text, 64}}, context_.prompter);
  connect(wraps_, &RecordList::CurrentChanged, this, [this] { ShowWrapPicture(); });
  wrapPicture_ = new PicturePreview(QSize(160, 120), tab);
  chooseWrap_ = Button("Bild &wählen...", tab);
  removeWrap_ = Button("Bild ent&fernen", tab);
  connect(chooseWrap_, &QPushButton::clicked, this, &CommercePage::ChooseWrapPicture);
  connect(removeWrap_, &QPushButton::clicked, this, &CommercePage::RemoveWrapPicture);

  auto* wrapRow = new QHBoxLayout;
  wrapRow->addWidget(offerWrap);
  auto* wrapChargeLabel = new QLabel(QStringLiteral("&Gebühr:"), tab);
  wrapChargeLabel->setBuddy(wrapCharge);
  wrapRow->addWidget(wrapChargeLabel);
  wrapRow->addWidget(wrapCharge);
  wrapRow->addWidget(new QLabel(QStringLiteral("pro"), tab));
  wrapRow->addWidget(perItem_);
  wrapRow->addWidget(perOrder_);
  wrapRow->addStretch();
  auto* pictureSide = new QVBoxLayout;
  pictureSide->addWidget(wrapPicture_);
  pictureSide->addWidget(chooseWrap_);
  pictureSide->addWidget(removeWrap_);
  pictureSide->addStretch();
  auto* wrapLists = new QHBoxLayout;
  wrapLists->addWidget(ListWithButtons(wraps_, true), 1);
  wrapLists->addLayout(pictureSide);
  auto* messageRow = new QHBoxLayout;
  messageRow->addWidget(offerMessage);
  auto* messageLabel = new QLabel(QStringLiteral("Gebü&hr:"), tab);
  messageLabel->setBuddy(messageCharge);
  messageRow->addWidget(messageLabel);
  messageRow->addWidget(messageCharge);
  messageRow->addStretch();
  saves_.push_back(Button("Infos &speichern", tab));
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saves_.back());
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(wrapRow);
  layout->addLayout(wrapLists, 1);
  layout->addLayout(messageRow);
  layout->addLayout(saveRow);
  return tab;
}

// ---- the fields ----------------------------------------------------------------------

QCheckBox* CommercePage::Switch(std::string_view field) const {
  for (const SwitchControl& s : switches_)
    if (s.field == field) return s.box;
  return nullptr;
}

QLineEdit* CommercePage::NumberField(std::string_view field) const {
  for (const NumberControl& n : numbers_)
    if (n.field == field) return n.edit;
  return nullptr;
}

void CommercePage::ShowFields() {
  filling_ = true;
  for (const SwitchControl& s : switches_) s.box->setChecked(edited_.*(s.member));
  for (const NumberControl& n : numbers_)
    n.edit->setText(Q(FormatNumberField(static_cast<NumberFieldKind>(n.kind), edited_.*(n.member))));
  master_->setCurrentIndex(ChoicePosition(MasterCurrencyChoices(), edited_.MCurrency).value_or(-1));
  second_->setCurrentIndex(
      Trim(edited_.SCurrency).empty() ? 0 : ChoicePosition(SecondCurrencyChoices(), edited_.SCurrency).value_or(-1));
  masterSymbol_->setText(Q(edited_.MCurrency));
  secondSymbol_->setText(Q(edited_.SCurrency));
  taxType_->setCurrentIndex(edited_.TaxType);
  shippingCalc_->setCurrentIndex(edited_.ShippingCalcType);
  discountMode_->setCurrentIndex(edited_.OfferDiscounts);
  perItem_->setChecked(edited_.WrapPerItem);
  perOrder_->setChecked(!edited_.WrapPerItem);
  filling_ = false;
  FillDefaultTax();
  ShowCurrencyControls();
  ShowInsurance();
  ShowShippingCaptions();
}

void CommercePage::FillDefaultTax() {
  filling_ = true;
  defaultTax_->clear();
  if (lists_) {
    for (const TaxesByTypeRow& t : CommerceRows<TaxesByTypeRow>(context_.manager.Database()))
      defaultTax_->addItem(Q(t.Type), t.ID);
    defaultTax_->setCurrentIndex(defaultTax_->findData(edited_.DefTaxTypeID));
  }
  filling_ = false;
}

// Every control into the held row; a tab whose fields now differ from the stored
// ones is marked changed. Number fields are taken when they are left.
void CommercePage::FieldEdited() {
  if (filling_ || !lists_) return;
  for (const SwitchControl& s : switches_) edited_.*(s.member) = s.box->isChecked();
  edited_.MCurrency = U(masterSymbol_->text());
  edited_.SCurrency = U(secondSymbol_->text());
  edited_.TaxType = std::max(0, taxType_->currentIndex());
  if (defaultTax_->currentIndex() >= 0) edited_.DefTaxTypeID = defaultTax_->currentData().toInt();
  edited_.ShippingCalcType = std::max(0, shippingCalc_->currentIndex());
  edited_.OfferDiscounts = std::max(0, discountMode_->currentIndex());
  edited_.WrapPerItem = perItem_->isChecked();
  for (int tab = 0; tab < kCommerceTabCount; ++tab)
    if (CommerceFieldsDiffer(static_cast<CommerceTab>(tab), edited_, loaded_))
      lists_->MarkChanged(static_cast<CommerceTab>(tab));
  ShowCurrencyControls();
}

bool CommercePage::NumberFieldLeft(std::string_view field) {
  for (const NumberControl& n : numbers_) {
    if (n.field != field) continue;
    const Result<float> value = ReadNumberField(U(n.edit->text()));
    if (!value.ok()) {
      // The value is not taken: the field shows the one held.
      context_.prompter.Show(value.message(), MessageIcon::Stop);
      n.edit->setText(Q(FormatNumberField(static_cast<NumberFieldKind>(n.kind), edited_.*(n.member))));
      return false;
    }
    edited_.*(n.member) = *value;
    n.edit->setText(Q(FormatNumberField(static_cast<NumberFieldKind>(n.kind), *value)));
    FieldEdited();
    return true;
  }
  return false;
}

void CommercePage::ShowCurrencyControls() {
  const bool enabled = FactorControlsEnabled(U(secondSymbol_->text()));
  for (QWidget* w : std::initializer_list<QWidget*>{Switch("DoFactor"), factorLabel_, NumberField("Factor"), convert_,
                                                    swap_})
    w->setEnabled(enabled);
}

void CommercePage::ShowInsurance() {
  const InsuranceSwitches s{Switch("Insurance")->isChecked(), Switch("InsuranceReplaces")->isChecked()};
  NumberField("InsuranceValue")->setEnabled(s.AmountsEnabled());
  NumberField("InsuranceLimit")->setEnabled(s.AmountsEnabled());
  NumberField("InsuranceReplacesValue")->setEnabled(s.ReplacesValueEnabled());
}

void CommercePage::ShowShippingCaptions() {
  // The break column means what the calculation type counts.
  static const char* const kBreakMeaning[] = {"Grenzwerte: Warenwert bis", "Grenzwerte: Anzahl der Artikel bis",
                                              "Grenzwerte: Gewicht bis", "Gebühr pro Bestellung",
                                              "Gebühr pro Artikel", "Kostenloser Versand"};
  const int type = std::clamp(shippingCalc_->currentIndex(), 0, 5);
  charges_->Caption()->setText(QString::fromUtf8(kBreakMeaning[type]));
}

Status CommercePage::WriteFields(CommerceTab tab) {
  for (const NumberControl& n : numbers_) {
    if (n.tab != tab) continue;
    const Result<float> value = ReadNumberField(U(n.edit->text()));
    if (!value.ok()) return value.status();
    edited_.*(n.member) = *value;
  }
  try {
    StoreCommerceFields(context_.manager.Database(), tab, edited_);
    loaded_ = ReadSettingsRow<OptionsRow>(context_.manager.Database());
  } catch (const DbError& e) {
    return Status::Error(DbErrorReport(e));
  }
  return Status::Ok();
}

bool CommercePage::SaveTab(Tab tab) {
  if (!lists_) return true;
  const CommerceTab t = static_cast<CommerceTab>(tab);
  for (RecordList* list : {payments_, cards_, taxes_, shipping_, charges_, discounts_, wraps_}) list->CommitEdit();
  Status status = WriteFields(t);
  if (status.ok()) status = lists_->SaveTab(t);
  if (!status.ok()) {
    context_.prompter.Show(status.message(), MessageIcon::Stop);
    return false;
  }
  if (t == CommerceTab::GiftOptions) ShowWrapPicture();
  return true;
}

bool CommercePage::HasUnsavedChanges() const { return lists_ && lists_->AnyChanged(); }

// ---- the price runs ------------------------------------------------------------------

template <class Run>
bool CommercePage::RunOverItems(std::string_view caption, Run&& run) {
  ProgressDialogSink dialog(this, Q(caption), true);
  dialog.OnMove([this](QProgressDialog* shown, int position) { emit PriceRunMoved(shown, position); });
  bool done = false;
  try {
    done = run(PriceRun{&dialog, [&dialog] { return dialog.Cancelled(); }});
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
    return false;
  }
  return done;
}

bool CommercePage::Convert() {
  if (!lists_) return false;
  // The factor in the field at the time of the click.
  const Result<float> factor = ReadNumberField(U(NumberField("Factor")->text()));
  if (!factor.ok()) {
    context_.prompter.Show(factor.message(), MessageIcon::Stop);
    return false;
  }
  if (const Status positive = CheckConvertFactor(*factor); !positive.ok()) {
    context_.prompter.Show(positive.message(), MessageIcon::Stop);
    return false;
  }
  if (!ConfirmConvert(context_.prompter)) return false;
  ShopDatabase& db = context_.manager.Database();
  return RunOverItems(kConvertProgressCaption, [&](const PriceRun& run) { return ConvertPrices(db, *factor, run); });
}

bool CommercePage::Swap() {
  if (!lists_) return false;
  const Result<float> factor = ReadNumberField(U(NumberField("Factor")->text()));
  if (!factor.ok()) {
    context_.prompter.Show(factor.message(), MessageIcon::Stop);
    return false;
  }
  if (!ConfirmSwap(context_.prompter)) return false;
  CurrencySelection selection{master_->currentIndex(), second_->currentIndex(), U(masterSymbol_->text()),
                              U(secondSymbol_->text()), *factor};
  ShopDatabase& db = context_.manager.Database();
  if (!RunOverItems(kSwapProgressCaption,
                    [&](const PriceRun& run) { return SwapCurrencies(db, selection, run); }))
    return false;
  // The prices are swapped: the currencies they are now in are stored with them, even
  // when the rest of the tab is discarded later.
  try {
    StoreSwappedCurrencies(db, selection.masterSymbol, selection.secondSymbol, selection.factor);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  loaded_.MCurrency = edited_.MCurrency = selection.masterSymbol;
  loaded_.SCurrency = edited_.SCurrency = selection.secondSymbol;
  loaded_.Factor = selection.factor;
  filling_ = true;
  master_->setCurrentIndex(selection.masterPosition);
  second_->setCurrentIndex(selection.secondPosition);
  masterSymbol_->setText(Q(selection.masterSymbol));
  secondSymbol_->setText(Q(selection.secondSymbol));
  NumberField("Factor")->setText(Q(FormatNumberField(NumberFieldKind::Factor, selection.factor)));
  filling_ = false;
  edited_.Factor = selection.factor;
  FieldEdited();
  return true;
}

// ---- the page ------------------------------------------------------------------------

void CommercePage::ShopChanged() {
  lists_.reset();
  // The lists let go of their rows before the sources go.
  for (RecordList* list : {payments_, cards_, taxes_, shipping_, charges_, discounts_, wraps_}) list->Show(nullptr);
  sources_.clear();
  chargesOf_.reset();
  loaded_ = edited_ = OptionsRow{};
  if (context_.manager.IsShopOpen()) {
    try {
      Load();
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
      for (RecordList* list : {payments_, cards_, taxes_, shipping_, charges_, discounts_, wraps_})
        list->Show(nullptr);
      sources_.clear();
      lists_.reset();
    }
  }
  ShowFields();
  ShowLists();
  for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->setEnabled(lists_ != nullptr);
}

bool CommercePage::CanLeave() {
  if (!lists_) return true;
  for (RecordList* list : {payments_, cards_, taxes_, shipping_, charges_, discounts_, wraps_}) list->CommitEdit();
  const Result<bool> leave = lists_->ConfirmLeave([this](CommerceTab tab) { return WriteFields(tab); });
  if (!leave.ok()) {
    context_.prompter.Show(leave.message(), MessageIcon::Stop);
    return false;
  }
  if (!*leave) return false;
  // No has discarded the tabs: show what is stored.
  try {
    loaded_ = edited_ = ReadSettingsRow<OptionsRow>(context_.manager.Database());
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  ShowFields();
  ShowLists();
  return true;
}

}  // namespace vendora
