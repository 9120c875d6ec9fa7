#include "pages/catalogue_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/prompter.h"
#include "controls/progress_dialog.h"
#include "csv/catalogue_export.h"
#include "csv/catalogue_import.h"
#include "dialogs.h"
#include "pages/catalogue_tabs.h"
#include "rules/catalogue_edit.h"
#include "shopdb/db_error.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {
constexpr std::string_view kCsvFilter = "CSV-Dateien (*.csv)";
constexpr std::string_view kImportNow = "\nSoll der Katalog jetzt so importiert werden?";
}  // namespace

CataloguePage::CataloguePage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Katalog "), parent) {
  tabs_ = new QTabWidget(this);
  const std::array<std::pair<CatalogueTabWidget*, QString>, kCatalogueTabCount> tabs = {{
      {MakeCategoriesTab(context, editorPointer_, tabs_), QStringLiteral(" Kategorien ")},
      {MakeAttributesTab(context, editorPointer_, tabs_), QStringLiteral(" Attribute / Index  ")},
      {MakeProductsTab(context, editorPointer_, tabs_), QStringLiteral(" Produkte ")},
      {MakeLinesTab(context, editorPointer_, tabs_), QStringLiteral(" Produktlinien ")},
      {MakeAssignmentTab(context, editorPointer_, tabs_), QStringLiteral(" Linienzuweisung ")},
  }};
  for (size_t i = 0; i < tabs.size(); ++i) {
    tabWidgets_[i] = tabs[i].first;
    tabs_->addTab(tabs[i].first, tabs[i].second);
  }
  connect(tabs_, &QTabWidget::currentChanged, this, &CataloguePage::TabChosen);
  export_ = new QPushButton(QStringLiteral("CSV-E&xport..."), this);
  export_->setObjectName(QStringLiteral("csvExport"));
  export_->setToolTip(QStringLiteral("Den ganzen Katalog als CSV-Datei für eine Tabellenkalkulation schreiben"));
  import_ = new QPushButton(QStringLiteral("CSV-&Import..."), this);
  import_->setObjectName(QStringLiteral("csvImport"));
  import_->setToolTip(QStringLiteral("Kategorien, Produkte und Artikel aus einer CSV-Datei übernehmen"));
  connect(export_, &QPushButton::clicked, this, &CataloguePage::ExportCsv);
  connect(import_, &QPushButton::clicked, this, &CataloguePage::ImportCsv);
  auto* csv = new QHBoxLayout;
  csv->addStretch(1);
  csv->addWidget(export_);
  csv->addWidget(import_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(csv);
  ShopChanged();
}

CataloguePage::~CataloguePage() = default;

void CataloguePage::ShopChanged() {
  for (CatalogueTabWidget* tab : tabWidgets_) tab->Forget();
  editorPointer_ = nullptr;
  editor_.reset();
  ShopManager& manager = context_.manager;
  if (manager.IsShopOpen()) {
    try {
      editor_ = std::make_unique<CatalogueEditor>(manager.Database(), manager.Paths(), context_.prompter);
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
    }
  }
  editorPointer_ = editor_.get();
  setEnabled(editor_ != nullptr);
  loaded_ = false;
  if (isVisible()) Load();
}

void CataloguePage::Activated() {
  // Other pages (and an import from the command line) may have changed the catalogue.
  Load();
}

void CataloguePage::Load() {
  if (!editor_) return;
  for (CatalogueTabWidget* tab : tabWidgets_) tab->Load();
  loaded_ = true;
}

void CataloguePage::TabChosen(int index) {
  if (switchingBack_ || index < 0) return;
  if (editor_ && shownTab_ != index) {
    CatalogueTabWidget* left = tabWidgets_[static_cast<size_t>(shownTab_)];
    left->CommitEdits();
    Status written = Status::Ok();
    try {
      written = left->WriteFields();
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
    }
    if (!written.ok()) {
      context_.prompter.Show(written.message(), MessageIcon::Stop);
      switchingBack_ = true;
      tabs_->setCurrentIndex(shownTab_);
      switchingBack_ = false;
      return;
    }
  }
  shownTab_ = index;
  if (editor_ && loaded_) tabWidgets_[static_cast<size_t>(index)]->Load();
}

bool CataloguePage::CanLeave() {
  if (!editor_) return true;
  for (CatalogueTabWidget* tab : tabWidgets_) tab->CommitEdits();
  Result<bool> leave = [&]() -> Result<bool> {
    try {
      // Edited detail fields count as changes even before they are written.
      return editor_->ConfirmLeave([this](CatalogueTab tab) { return TabWidget(tab)->WriteFields(); });
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
      return false;
    }
  }();
  if (!leave.ok()) {
    context_.prompter.Show(leave.message(), MessageIcon::Stop);
    return false;
  }
  if (*leave) {
    for (CatalogueTabWidget* tab : tabWidgets_) tab->Forget();
  }
  return *leave;
}

bool CataloguePage::SaveTab(CatalogueTab tab) { return TabWidget(tab)->Save(); }

void CataloguePage::ExportCsv() {
  if (!editor_) return;
  const auto file = context_.dialogs.ChooseDataFile("Katalog als CSV-Datei schreiben", kCsvFilter, true);
  if (!file) return;
  try {
    ProgressDialogSink progress(this, QStringLiteral("Der Katalog wird geschrieben..."), false);
    const CatalogueExportReport report =
        ExportCatalogue(context_.manager.Database(), context_.manager.Paths(), *file, {}, &progress);
    if (!report.status.ok())
      context_.prompter.Show(report.status.message(), MessageIcon::Stop);
    else
      context_.prompter.Show(ExportSummaryText(report, *file), MessageIcon::Information);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
}

void CataloguePage::ImportCsv() {
  if (!editor_ || !CanLeave()) return;
  const auto file = context_.dialogs.ChooseDataFile("Katalog aus einer CSV-Datei einlesen", kCsvFilter, false);
  if (!file) return;
  ShopManager& manager = context_.manager;
  try {
    // The whole file is checked first; the merchant sees what would change.
    CatalogueImportOptions options;
    options.dryRun = true;
    CatalogueImportReport report;
    {
      ProgressDialogSink progress(this, QStringLiteral("Die Datei wird geprüft..."), false);
      report = ImportCatalogue(manager.Database(), manager.Paths(), *file, options, &progress);
    }
    if (!report.ok) {
      context_.prompter.Show(ImportProblemsText(report), MessageIcon::Stop);
      return;
    }
    const std::string question = ImportProblemsText(report) + ImportCountsText(report, options) + std::string(kImportNow);
    if (context_.prompter.AskYesNo(question, Answer::Yes) != Answer::Yes) return;
    options.dryRun = false;
    {
      ProgressDialogSink progress(this, QStringLiteral("Der Katalog wird importiert..."), false);
      report = ImportCatalogue(manager.Database(), manager.Paths(), *file, options, &progress);
    }
    if (!report.ok)
      context_.prompter.Show(ImportProblemsText(report), MessageIcon::Stop);
    else
      context_.prompter.Show(ImportCountsText(report, options), MessageIcon::Information);
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
  // The editor's "none" rows may be new (a replaced catalogue): read everything afresh.
  ShopChanged();
  if (!loaded_) Load();
}

}  // namespace vendora
