#include "pages/company_page.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/program_text.h"
#include "common/prompter.h"
#include "controls/form_controls.h"
#include "controls/list_shortcuts.h"
#include "controls/preview_fields.h"
#include "dialogs.h"
#include "shopdb/db_error.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {
constexpr int kLogoWidth = 180;
constexpr int kLogoHeight = 90;
}  // namespace

CompanyPage::CompanyPage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Shop-Information "), parent), manager_(context.manager) {
  // The shop list.
  auto* shopBox = new QGroupBox(QStringLiteral("Shops"), this);
  shops_ = new QListWidget(shopBox);
  shops_->setSelectionMode(QAbstractItemView::SingleSelection);
  newShop_ = new QPushButton(Q(texts::kNewShopButton), shopBox);
  addShop_ = new QPushButton(Q(texts::kAddShopButton), shopBox);
  removeShop_ = new QPushButton(Q(texts::kRemoveShopButton), shopBox);
  compact_ = new QPushButton(Q(texts::kCompactButton), shopBox);
  compact_->setToolTip(Q(texts::kCompactTooltip));
  auto* shopLayout = new QVBoxLayout(shopBox);
  shopLayout->addWidget(shops_, 1);
  for (QPushButton* b : {newShop_, addShop_, removeShop_, compact_}) shopLayout->addWidget(b);
  BindListButtons(shops_, {newShop_, removeShop_, nullptr, nullptr});

  // The company data.
  companyBox_ = new QGroupBox(QStringLiteral("Firmenangaben"), this);
  fields_ = new FormControls(CompanyForm(), companyBox_);
  auto* columns = new QHBoxLayout;
  columns->addLayout(fields_->Rows({"StoreName", "Company", "Address1", "Address2", "ZIP", "City", "State", "Country"}),
                     1);
  columns->addSpacing(16);
  columns->addLayout(fields_->Rows({"Phone1", "Phone2", "Fax1", "Fax2", "EmailInfo", "EmailSupport", "EmailPress",
                                    "EmailSales"}),
                     1);

  auto* logoBox = new QGroupBox(QStringLiteral("Shop-Logo"), companyBox_);
  logo_ = new PicturePreview(QSize(kLogoWidth, kLogoHeight), logoBox);
  logo_->setBackgroundRole(QPalette::Base);
  logo_->setAutoFillBackground(true);
  chooseLogo_ = new QPushButton(QStringLiteral("Logo &wählen..."), logoBox);
  removeLogo_ = new QPushButton(QStringLiteral("Lo&go entfernen"), logoBox);
  auto* logoButtons = new QVBoxLayout;
  logoButtons->addWidget(chooseLogo_);
  logoButtons->addWidget(removeLogo_);
  logoButtons->addStretch();
  auto* logoLayout = new QGridLayout(logoBox);
  logoLayout->addWidget(logo_, 0, 0, Qt::AlignTop);
  logoLayout->addLayout(logoButtons, 0, 1);
  logoLayout->addWidget(fields_->Editor("LogoUseall"), 1, 0, 1, 2);

  auto* texts = fields_->Rows({"Description", "Keywords"});
  auto* lower = new QHBoxLayout;
  lower->addLayout(texts, 1);
  lower->addSpacing(16);
  lower->addWidget(logoBox, 0, Qt::AlignTop);

  save_ = new QPushButton(QStringLiteral("Infos &speichern"), companyBox_);
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(save_);

  auto* companyLayout = new QVBoxLayout(companyBox_);
  companyLayout->addLayout(columns);
  companyLayout->addSpacing(8);
  companyLayout->addLayout(lower);
  companyLayout->addStretch(1);
  companyLayout->addLayout(saveRow);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(shopBox);
  layout->addWidget(companyBox_, 1);
  shopBox->setMaximumWidth(240);

  connect(shops_, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) ListSelectionChanged();
  });
  connect(newShop_, &QPushButton::clicked, this, &CompanyPage::NewShop);
  connect(addShop_, &QPushButton::clicked, this, &CompanyPage::AddShop);
  connect(removeShop_, &QPushButton::clicked, this, &CompanyPage::RemoveShop);
  connect(compact_, &QPushButton::clicked, this, &CompanyPage::CompactShop);
  connect(chooseLogo_, &QPushButton::clicked, this, &CompanyPage::ChooseLogo);
  connect(removeLogo_, &QPushButton::clicked, this, &CompanyPage::RemoveLogo);
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });

  manager_.SetPendingEdits(this);
  Refresh();
}

CompanyPage::~CompanyPage() { manager_.SetPendingEdits(nullptr); }

void CompanyPage::Refresh() {
  FillList();
  LoadCompanyData();
}

void CompanyPage::FillList() {
  filling_ = true;
  shops_->clear();
  for (const std::string& name : manager_.ShopDisplayNames()) shops_->addItem(Q(name));
  const int current = manager_.IsShopOpen() ? manager_.CurrentIndex()
                      : failedRow_ < shops_->count()  ? failedRow_
                                                      : -1;
  shops_->setCurrentRow(current);
  if (current < 0) shops_->clearSelection();
  filling_ = false;
  removeShop_->setEnabled(shops_->count() > 0);
  compact_->setEnabled(manager_.IsShopOpen());
}

void CompanyPage::LoadCompanyData() {
  const bool open = manager_.IsShopOpen();
  loaded_.clear();
  logoChange_ = {};
  std::optional<std::filesystem::path> logo;
  if (open) {
    try {
      loaded_ = LoadCompany(manager_.Database());
      logo = CompanyLogoFile(manager_.Database(), manager_.Paths());
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
    }
  }
  fields_->SetValues(loaded_);
  ShowLogo(logo);
  companyBox_->setEnabled(open);
}

void CompanyPage::ShowLogo(const std::optional<std::filesystem::path>& file) { logo_->ShowFile(file); }

void CompanyPage::ListSelectionChanged() {
  const int row = shops_->currentRow();
  if (row < 0 || (row == manager_.CurrentIndex() && manager_.IsShopOpen())) return;
  failedRow_ = manager_.Choose(row) ? -1 : row;
  AfterListOperation();
}

void CompanyPage::AfterListOperation() {
  Refresh();
  emit ShopSwitched();
}

void CompanyPage::NewShop() {
  const std::optional<std::string> name = context_.dialogs.AskNewShopName(manager_.LastNewShopName());
  if (!name) return;
  manager_.CreateShop(*name);
  AfterListOperation();
}

void CompanyPage::AddShop() {
  const std::optional<std::filesystem::path> file = context_.dialogs.ChooseShopFile();
  if (!file) return;
  manager_.AddShop(*file);
  failedRow_ = -1;
  AfterListOperation();
}

void CompanyPage::RemoveShop() {
  const int row = shops_->currentRow() >= 0 ? shops_->currentRow() : manager_.CurrentIndex();
  if (row < 0) return;
  if (!manager_.RemoveShop(row)) {
    FillList();
    return;
  }
  failedRow_ = -1;
  AfterListOperation();
}

void CompanyPage::CompactShop() {
  if (!manager_.IsShopOpen()) return;
  manager_.CompactCurrentShop();
  AfterListOperation();
}

void CompanyPage::ChooseLogo() {
  const std::optional<std::filesystem::path> file = context_.dialogs.ChoosePictureFile("Shop-Logo wählen");
  if (!file) return;
  logoChange_.chosen = *file;
  ShowLogo(file);
}

void CompanyPage::RemoveLogo() {
  logoChange_.remove = true;
  logoChange_.chosen.reset();
  ShowLogo(std::nullopt);
}

bool CompanyPage::HasUnsavedChanges() const {
  if (!manager_.IsShopOpen()) return false;
  return fields_->Values() != loaded_ || logoChange_.remove || logoChange_.chosen.has_value();
}

bool CompanyPage::Save() {
  if (!manager_.IsShopOpen()) return true;
  if (!SaveCompany(manager_.Database(), manager_.Paths(), fields_->Values(), logoChange_, context_.prompter))
    return false;
  LoadCompanyData();
  emit Saved();
  return true;
}

void CompanyPage::Discard() { LoadCompanyData(); }

bool CompanyPage::CanLeave() {
  if (!HasUnsavedChanges()) return true;
  return AskToSaveChanges(texts::kSaveCompanyChanges, [this] { return Save(); }, [this] { Discard(); });
}

void CompanyPage::ShopChanged() { Refresh(); }

}  // namespace vendora
