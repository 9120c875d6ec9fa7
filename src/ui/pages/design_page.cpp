#include "pages/design_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/prompter.h"
#include "controls/preview_fields.h"
#include "dialogs.h"
#include "rules/design_rules.h"
#include "rules/graphic_set_tab.h"
#include "rules/text_blocks.h"
#include "shopdb/db_error.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

// The set dialogs' captions and prompts.
constexpr std::string_view kDuplicateCaption = "Bildersatz kopieren";
constexpr std::string_view kRenameCaption = "Bildersatz umbenennen";
constexpr std::string_view kCreateCaption = "Neuer Bildersatz";
constexpr std::string_view kSetNamePrompt = "Name des Bildersatzes:";
constexpr std::string_view kReadOnlyNote =
    "Dieser Bildersatz ist schreibgeschützt. Um ihn anzupassen, kopieren Sie ihn unter einem neuen Namen.";
constexpr std::string_view kPictureCaption = "Bild für den Bildersatz wählen";
constexpr std::string_view kFontSample = "AaBbÄäÖöÜüß 0123";

// An element's label "Group\tItem" as one line.
QString ElementLabel(int row) {
  QString label = Q(kGraphicSetElements[static_cast<size_t>(row)].label);
  return label.replace(QLatin1Char('\t'), QStringLiteral(": "));
}

QString ElementItem(int row) { return Q(kGraphicSetElements[static_cast<size_t>(row)].label).section('\t', 1); }

// The switches of the layout tab, with their captions.
struct SwitchField {
  std::string_view field;
  const char* caption;
  bool InterfacesRow::*member;
};
const SwitchField kSwitches[] = {
    {"TextOnly", "Nur &Text (Shop ohne Bilder)", &InterfacesRow::TextOnly},
    {"UseDefaultFonts", "Standardschriften des &Browsers verwenden", &InterfacesRow::UseDefaultFonts},
    {"MenuTop", "Menü &oben", &InterfacesRow::MenuTop},
    {"MenuTopHomePage", "&Kein oberes Menü auf der Startseite", &InterfacesRow::MenuTopHomePage},
    {"MenuBottom", "Menü &unten", &InterfacesRow::MenuBottom},
    {"GenerateIndex", "&Indexseite erzeugen", &InterfacesRow::GenerateIndex},
    {"IndexFirst", "Index ersetzt die Startseit&e", &InterfacesRow::IndexFirst},
    {"IndexSort", "Index so&rtieren", &InterfacesRow::IndexSort},
    {"CatHorzFreeWrap", "Umbruch nach", &InterfacesRow::CatHorzFreeWrap},
    {"CatVertDescription", "Beschreibung unter der Schaltfläche", &InterfacesRow::CatVertDescription},
    {"CatVertDividers", "Trennlinien", &InterfacesRow::CatVertDividers},
    {"CatExtraSpacing", "Zusätzlicher Abstand", &InterfacesRow::CatExtraSpacing},
    {"LinesHorzFreeWrap", "Umbruch nach", &InterfacesRow::LinesHorzFreeWrap},
    {"LinesVertDescription", "Beschreibung unter der Schaltfläche", &InterfacesRow::LinesVertDescription},
    {"LinesVertDividers", "Trennlinien", &InterfacesRow::LinesVertDividers},
    {"LinesExtraSpacing", "Zusätzlicher Abstand", &InterfacesRow::LinesExtraSpacing},
    {"LinesFirst", "Produktlinien vor den Kategorien", &InterfacesRow::LinesFirst},
    {"LinesOnProducts", "Link zur Produktlinie bei den Produkten", &InterfacesRow::LinesOnProducts},
    {"GenerateDetails", "&Detailseiten erzeugen", &InterfacesRow::GenerateDetails},
    {"UseThumbnails", "&Miniaturen auf den Kategorieseiten", &InterfacesRow::UseThumbnails},
    {"UseTableBorders", "Tabe&llenrahmen", &InterfacesRow::UseTableBorders},
};

QPushButton* Button(const char* text, QWidget* parent) { return new QPushButton(QString::fromUtf8(text), parent); }

// A font chooser lists the installed families; a stored name that is not installed
// (another machine's font) is kept at the top so that saving does not lose it.
void FillFonts(QComboBox* box, const std::string& stored) {
  box->clear();
  box->addItems(QFontDatabase::families());
  const QString name = Q(stored);
  if (!name.isEmpty() && box->findText(name, Qt::MatchExactly) < 0) box->insertItem(0, name);
  box->setCurrentIndex(box->findText(name, Qt::MatchExactly));
  box->setEditText(name);
}

void ShowSample(QPushButton* sample, const QString& family) {
  QFont font = sample->font();
  font.setFamilies({family});
  sample->setFont(font);
}

}  // namespace

DesignPage::DesignPage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Darstellung "), parent) {
  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildSetTab(), QStringLiteral(" Bildersatz "));
  tabs_->addTab(BuildLayoutTab(), QStringLiteral(" Layout "));
  tabs_->addTab(BuildTextTab(), QStringLiteral(" Textinformation "));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  ShopChanged();
}

DesignPage::~DesignPage() = default;

// ---- graphic set tab -----------------------------------------------------------------

QWidget* DesignPage::BuildSetTab() {
  auto* tab = new QWidget;
  auto* setBox = new QGroupBox(QStringLiteral("Bildersätze"), tab);
  sets_ = new QListWidget(setBox);
  duplicate_ = Button("&Kopieren...", setBox);
  rename_ = Button("&Umbenennen...", setBox);
  deleteSet_ = Button("&Löschen", setBox);
  createSet_ = Button("&Neu...", setBox);
  auto* setLayout = new QVBoxLayout(setBox);
  setLayout->addWidget(sets_, 1);
  for (QPushButton* b : {duplicate_, rename_, deleteSet_, createSet_}) setLayout->addWidget(b);
  setBox->setMaximumWidth(220);

  auto* pictureBox = new QGroupBox(QStringLiteral("Bilder"), tab);
  pictures_ = new QListWidget(pictureBox);
  for (int row = 0; row < static_cast<int>(kGraphicSetElementCount); ++row) {
    if (!IsPictureRow(row)) continue;
    auto* item = new QListWidgetItem(ElementLabel(row), pictures_);
    item->setData(Qt::UserRole, row);
  }
  picture_ = new PicturePreview(QSize(220, 140), pictureBox);
  choosePicture_ = Button("Bild &wählen...", pictureBox);
  removePicture_ = Button("Bild ent&fernen", pictureBox);
  auto* pictureSide = new QVBoxLayout;
  pictureSide->addWidget(picture_);
  pictureSide->addWidget(choosePicture_);
  pictureSide->addWidget(removePicture_);
  pictureSide->addStretch();
  auto* pictureLayout = new QHBoxLayout(pictureBox);
  pictureLayout->addWidget(pictures_, 1);
  pictureLayout->addLayout(pictureSide);

  auto* colourBox = new QGroupBox(QStringLiteral("Farben"), tab);
  auto* colourLayout = new QGridLayout(colourBox);
  for (int row = kGsFirstColour; row < kGsFirstColour + 6; ++row) {
    const int i = row - kGsFirstColour;
    auto* field = new ColourField(context_.dialogs, colourBox);
    colours_[static_cast<size_t>(i)] = field;
    colourLayout->addWidget(new QLabel(ElementItem(row) + QLatin1Char(':'), colourBox), i / 2, (i % 2) * 2);
    colourLayout->addWidget(field, i / 2, (i % 2) * 2 + 1);
    connect(field, &ColourField::Edited, this, [this, row] { ColourEdited(row); });
  }

  readOnly_ = new QLabel(Q(kReadOnlyNote), tab);
  readOnly_->setWordWrap(true);
  saveSet_ = Button("Bildersatz &speichern", tab);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(readOnly_, 1);
  bottom->addWidget(saveSet_);

  auto* right = new QVBoxLayout;
  right->addWidget(pictureBox, 1);
  right->addWidget(colourBox);
  right->addLayout(bottom);
  auto* layout = new QHBoxLayout(tab);
  layout->addWidget(setBox);
  layout->addLayout(right, 1);

  connect(sets_, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) SetChosen();
  });
  connect(pictures_, &QListWidget::currentRowChanged, this, [this] { ShowPicture(); });
  connect(choosePicture_, &QPushButton::clicked, this, &DesignPage::ChoosePicture);
  connect(removePicture_, &QPushButton::clicked, this, &DesignPage::RemovePicture);
  connect(saveSet_, &QPushButton::clicked, this, [this] { SaveSet(); });
  connect(duplicate_, &QPushButton::clicked, this, &DesignPage::DuplicateSet);
  connect(rename_, &QPushButton::clicked, this, &DesignPage::RenameSet);
  connect(deleteSet_, &QPushButton::clicked, this, &DesignPage::DeleteSet);
  connect(createSet_, &QPushButton::clicked, this, &DesignPage::CreateSet);
  pictures_->setCurrentRow(0);
  return tab;
}

void DesignPage::ShowSets() {
  filling_ = true;
  sets_->clear();
  if (setTab_) {
    const GraphicSetLibrary& library = setTab_->Library();
    for (const std::string& name : library.Names()) sets_->addItem(Q(name));
    const auto& names = library.Names();
    const auto at = std::find(names.begin(), names.end(), library.Current().name);
    sets_->setCurrentRow(library.HasCurrent() && at != names.end() ? static_cast<int>(at - names.begin()) : -1);
  }
  filling_ = false;
  ShowSetElements();
}

void DesignPage::ShowSetElements() {
  GraphicSetControls c;
  if (setTab_) c = setTab_->Controls();
  else c.create = false;
  const bool shown = setTab_ && setTab_->Library().HasCurrent();
  filling_ = true;
  for (int row = kGsFirstColour; row < kGsFirstColour + 6; ++row) {
    ColourField* field = Colour(row);
    field->SetColour(shown ? setTab_->Library().Current().colours[static_cast<size_t>(row)] : -1);
    field->setEnabled(c.editElements);
  }
  filling_ = false;
  choosePicture_->setEnabled(c.editElements);
  removePicture_->setEnabled(c.editElements);
  saveSet_->setEnabled(c.save);
  duplicate_->setEnabled(c.duplicate);
  rename_->setEnabled(c.rename);
  deleteSet_->setEnabled(c.remove);
  createSet_->setEnabled(c.create);
  readOnly_->setVisible(shown && setTab_->Library().Current().readOnly);
  ShowPicture();
}

void DesignPage::ShowPicture() {
  std::optional<std::filesystem::path> file;
  QListWidgetItem* item = pictures_->currentItem();
  if (setTab_ && setTab_->Library().HasCurrent() && item) {
    const GraphicSetLibrary& library = setTab_->Library();
    const std::string& name = library.Current().files[static_cast<size_t>(item->data(Qt::UserRole).toInt())];
    if (!name.empty()) {
      const std::filesystem::path path(name);
      file = path.is_absolute() ? path : library.SetsFolder() / library.Current().name / path;
    }
  }
  picture_->ShowFile(file);
}

void DesignPage::SetChosen() {
  if (!setTab_) return;
  const QListWidgetItem* item = sets_->currentItem();
  if (item && U(item->text()) != setTab_->Library().Current().name) setTab_->Choose(U(item->text()));
  // A refused choice (Cancel on the save question, an unreadable set) shows the set kept.
  ShowSets();
}

void DesignPage::ChoosePicture() {
  QListWidgetItem* item = pictures_->currentItem();
  if (!setTab_ || !item) return;
  const std::optional<std::filesystem::path> file = context_.dialogs.ChoosePictureFile(kPictureCaption);
  if (!file) return;
  setTab_->Library().SetPicture(item->data(Qt::UserRole).toInt(), *file);
  ShowSetElements();
}

void DesignPage::RemovePicture() {
  QListWidgetItem* item = pictures_->currentItem();
  if (!setTab_ || !item) return;
  setTab_->Library().SetPicture(item->data(Qt::UserRole).toInt(), {});
  ShowSetElements();
}

void DesignPage::ColourEdited(int row) {
  if (filling_ || !setTab_) return;
  const int32_t colour = Colour(row)->Colour();
  // Half a colour (an empty field) is not taken; the set keeps its colour until the
  // field holds one.
  if (colour < 0) return;
  setTab_->Library().SetColour(row, colour);
  saveSet_->setEnabled(setTab_->Controls().save);
}

bool DesignPage::SaveSet() {
  if (!setTab_) return true;
  const bool saved = setTab_->Library().Save();
  ShowSetElements();
  return saved;
}

void DesignPage::DuplicateSet() {
  if (!setTab_) return;
  const std::optional<std::string> name =
      context_.dialogs.AskName(kDuplicateCaption, kSetNamePrompt, setTab_->Library().Current().name);
  if (name) setTab_->Duplicate(*name);
  ShowSets();
}

void DesignPage::RenameSet() {
  if (!setTab_) return;
  const std::optional<std::string> name =
      context_.dialogs.AskName(kRenameCaption, kSetNamePrompt, setTab_->Library().Current().name);
  if (name) setTab_->Rename(*name);
  ShowSets();
}

void DesignPage::DeleteSet() {
  if (!setTab_) return;
  setTab_->Delete();
  ShowSets();
}

void DesignPage::CreateSet() {
  if (!setTab_) return;
  const std::optional<std::string> name = context_.dialogs.AskName(kCreateCaption, kSetNamePrompt, std::string());
  if (name) setTab_->CreateEmpty(*name);
  ShowSets();
}

// ---- layout tab ----------------------------------------------------------------------

QWidget* DesignPage::BuildLayoutTab() {
  auto* tab = new QWidget;
  auto makeSwitch = [this](std::string_view field, QWidget* parent) {
    for (const SwitchField& s : kSwitches)
      if (s.field == field) {
        auto* box = new QCheckBox(QString::fromUtf8(s.caption), parent);
        switches_.emplace_back(s.field, box);
        connect(box, &QCheckBox::toggled, this, [this] { LayoutEdited(); });
        return box;
      }
    return static_cast<QCheckBox*>(nullptr);
  };

  // Pictures and fonts.
  auto* fontBox = new QGroupBox(QStringLiteral("Bilder und Schriften"), tab);
  auto* fontLayout = new QGridLayout(fontBox);
  fontLayout->addWidget(makeSwitch("TextOnly", fontBox), 0, 0, 1, 3);
  fontLayout->addWidget(makeSwitch("UseDefaultFonts", fontBox), 1, 0, 1, 3);
  auto addFont = [&](int row, const char* caption, QComboBox*& box, QPushButton*& sample) {
    auto* label = new QLabel(QString::fromUtf8(caption), fontBox);
    box = new QComboBox(fontBox);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(255);  // the width of MainFont and AltFont
    label->setBuddy(box);
    sample = new QPushButton(Q(kFontSample), fontBox);
    sample->setToolTip(QStringLiteral("Schriftprobe"));
    fontLayout->addWidget(label, row, 0);
    fontLayout->addWidget(box, row, 1);
    fontLayout->addWidget(sample, row, 2);
    fontControls_.insert(fontControls_.end(), {label, box, sample});
    connect(box, &QComboBox::editTextChanged, this, [this, sample](const QString& family) {
      ShowSample(sample, family);
      LayoutEdited();
    });
  };
  addFont(2, "&Hauptschrift:", mainFont_, mainSample_);
  addFont(3, "&Alternative Schrift:", altFont_, altSample_);

  auto* menuBox = new QGroupBox(QStringLiteral("Menüs und Index"), tab);
  auto* menuLayout = new QVBoxLayout(menuBox);
  for (std::string_view f : {"MenuTop", "MenuTopHomePage", "MenuBottom", "GenerateIndex", "IndexFirst", "IndexSort"})
    menuLayout->addWidget(makeSwitch(f, menuBox));

  // An arrangement group: chooser, wrap controls, vertical controls, spacing.
  auto makeArrangement = [&](const char* title, const char* prefix, QComboBox*& chooser, QCheckBox*& freeWrap,
                             QSpinBox*& count, std::vector<QWidget*>& wrapControls,
                             std::vector<QWidget*>& verticalControls) {
    auto* box = new QGroupBox(QString::fromUtf8(title), tab);
    auto* grid = new QGridLayout(box);
    chooser = new QComboBox(box);
    chooser->addItems({QStringLiteral("Horizontal"), QStringLiteral("Vertikal")});
    auto* label = new QLabel(QStringLiteral("Anordnung:"), box);
    label->setBuddy(chooser);
    grid->addWidget(label, 0, 0);
    grid->addWidget(chooser, 0, 1, 1, 2);
    const std::string p(prefix);
    freeWrap = makeSwitch(p + "HorzFreeWrap", box);
    count = new QSpinBox(box);
    count->setRange(0, 9999);
    auto* unit = new QLabel(QStringLiteral("Schaltflächen"), box);
    grid->addWidget(freeWrap, 1, 0);
    grid->addWidget(count, 1, 1);
    grid->addWidget(unit, 1, 2);
    wrapControls = {freeWrap, count, unit};
    QCheckBox* description = makeSwitch(p + "VertDescription", box);
    QCheckBox* dividers = makeSwitch(p + "VertDividers", box);
    grid->addWidget(description, 2, 0, 1, 3);
    grid->addWidget(dividers, 3, 0, 1, 3);
    verticalControls = {description, dividers};
    grid->addWidget(makeSwitch(p + "ExtraSpacing", box), 4, 0, 1, 3);
    connect(chooser, &QComboBox::currentIndexChanged, this, [this] { LayoutEdited(); });
    connect(count, &QSpinBox::valueChanged, this, [this] { LayoutEdited(); });
    return box;
  };
  QGroupBox* catBox = makeArrangement("Kategorien", "Cat", catArrangement_, catFreeWrap_, catWrapCount_,
                                      catWrapControls_, catVerticalControls_);
  QGroupBox* lineBox = makeArrangement("Produktlinien", "Lines", lineArrangement_, lineFreeWrap_, lineWrapCount_,
                                       lineWrapControls_, lineVerticalControls_);
  auto* lineGrid = static_cast<QGridLayout*>(lineBox->layout());
  lineGrid->addWidget(makeSwitch("LinesFirst", lineBox), 5, 0, 1, 3);
  lineGrid->addWidget(makeSwitch("LinesOnProducts", lineBox), 6, 0, 1, 3);

  auto* productBox = new QGroupBox(QStringLiteral("Produkte"), tab);
  auto* productLayout = new QGridLayout(productBox);
  productLayout->addWidget(makeSwitch("GenerateDetails", productBox), 0, 0, 1, 2);
  productLayout->addWidget(makeSwitch("UseThumbnails", productBox), 1, 0, 1, 2);
  productLayout->addWidget(makeSwitch("UseTableBorders", productBox), 2, 0, 1, 2);
  quality_ = new QComboBox(productBox);
  for (std::string_view q : kQualityChoices) quality_->addItem(Q(q));
  auto* qualityLabel = new QLabel(QStringLiteral("Miniatur&qualität:"), productBox);
  qualityLabel->setBuddy(quality_);
  productLayout->addWidget(qualityLabel, 3, 0);
  productLayout->addWidget(quality_, 3, 1);
  productLayout->addWidget(new QLabel(QStringLiteral("Neben jedem Produkt:"), productBox), 4, 0);
  thumbnailLabel_ = new QLabel(productBox);
  productLayout->addWidget(thumbnailLabel_, 4, 1);
  // Only a choice of the merchant asks the quality question, not a refill.
  connect(quality_, &QComboBox::activated, this, &DesignPage::QualityChosen);

  saveLayout_ = Button("Infos &speichern", tab);
  connect(saveLayout_, &QPushButton::clicked, this, [this] { SaveLayout(); });

  auto* grid = new QGridLayout(tab);
  grid->addWidget(fontBox, 0, 0);
  grid->addWidget(menuBox, 0, 1);
  grid->addWidget(productBox, 0, 2);
  grid->addWidget(catBox, 1, 0);
  grid->addWidget(lineBox, 1, 1);
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(saveLayout_);
  grid->addLayout(saveRow, 2, 0, 1, 3);
  grid->setRowStretch(1, 1);
  return tab;
}

QCheckBox* DesignPage::Switch(std::string_view field) const {
  for (const auto& [name, box] : switches_)
    if (name == field) return box;
  return nullptr;
}

bool DesignPage::LayoutChanged() const { return layout_ && layout_->IsChanged(); }

InterfacesRow DesignPage::RowFromControls() const {
  InterfacesRow row = layout_->Row();
  for (const SwitchField& s : kSwitches) row.*(s.member) = Switch(s.field)->isChecked();
  row.MainFont = U(mainFont_->currentText());
  row.AltFont = U(altFont_->currentText());
  row.CatHorizontal = catArrangement_->currentIndex() == 1;  // entry 1 is vertical
  row.LinesHorizontal = lineArrangement_->currentIndex() == 1;
  row.CatHorzWrapOn = catWrapCount_->value();
  row.LinesHorzWrapOn = lineWrapCount_->value();
  return row;
}

void DesignPage::ShowLayout() {
  filling_ = true;
  const InterfacesRow row = layout_ ? layout_->Row() : InterfacesRow{};
  for (const SwitchField& s : kSwitches) Switch(s.field)->setChecked(row.*(s.member));
  FillFonts(mainFont_, row.MainFont);
  FillFonts(altFont_, row.AltFont);
  ShowSample(mainSample_, mainFont_->currentText());
  ShowSample(altSample_, altFont_->currentText());
  catArrangement_->setCurrentIndex(row.CatHorizontal ? 1 : 0);
  lineArrangement_->setCurrentIndex(row.LinesHorizontal ? 1 : 0);
  catWrapCount_->setValue(row.CatHorzWrapOn);
  lineWrapCount_->setValue(row.LinesHorzWrapOn);
  quality_->setCurrentIndex(QualityChoice(row.Quality));
  filling_ = false;
  ApplyDependencies();
}

void DesignPage::LayoutEdited() {
  if (filling_ || !layout_) return;
  layout_->Change(RowFromControls());
  ApplyDependencies();
}

void DesignPage::ApplyDependencies() {
  const LayoutControls c = layout_ ? layout_->Controls() : LayoutDependencies(InterfacesRow{});
  for (QWidget* w : fontControls_) w->setEnabled(c.fontsEnabled);
  Switch("MenuTopHomePage")->setEnabled(c.menuTopHomePageEnabled);
  Switch("IndexFirst")->setEnabled(c.indexOptionsEnabled);
  Switch("IndexSort")->setEnabled(c.indexOptionsEnabled);
  for (QWidget* w : catWrapControls_) w->setVisible(c.categories.wrapShown);
  for (QWidget* w : catVerticalControls_) w->setVisible(c.categories.verticalShown);
  for (QWidget* w : lineWrapControls_) w->setVisible(c.lines.wrapShown);
  for (QWidget* w : lineVerticalControls_) w->setVisible(c.lines.verticalShown);
  thumbnailLabel_->setText(Q(c.thumbnailLabel));
  saveLayout_->setEnabled(LayoutChanged());
}

void DesignPage::QualityChosen(int choice) {
  if (!layout_) return;
  if (!layout_->ChangeQuality(choice, context_.manager.Paths().Subfolder(ShopSubfolder::Thumbs), context_.prompter)) {
    filling_ = true;
    quality_->setCurrentIndex(QualityChoice(layout_->Row().Quality));
    filling_ = false;
  }
  ApplyDependencies();
}

bool DesignPage::SaveLayout() {
  if (!layout_) return true;
  const bool saved = layout_->Save(context_.prompter);
  ApplyDependencies();
  return saved;
}

// ---- text tab ------------------------------------------------------------------------

QWidget* DesignPage::BuildTextTab() {
  auto* tab = new QWidget;
  sections_ = new QComboBox(tab);
  for (const TextSectionInfo& s : kTextSections) sections_->addItem(Q(s.name));
  auto* sectionLabel = new QLabel(QStringLiteral("&Abschnitt:"), tab);
  sectionLabel->setBuddy(sections_);
  text_ = new QPlainTextEdit(tab);
  policyJava_ = new QCheckBox(QStringLiteral("Geschäftsbedingungen in einem eigenen &Browserfenster zeigen"), tab);
  import_ = Button("&Importieren...", tab);
  export_ = Button("E&xportieren...", tab);
  deleteText_ = Button("&Löschen", tab);
  saveText_ = Button("Infos &speichern", tab);

  auto* top = new QHBoxLayout;
  top->addWidget(sectionLabel);
  top->addWidget(sections_, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {import_, export_, deleteText_}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(saveText_);
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(top);
  layout->addWidget(text_, 1);
  layout->addWidget(policyJava_);
  layout->addLayout(buttons);

  connect(sections_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!filling_) SectionChosen(index);
  });
  connect(text_, &QPlainTextEdit::textChanged, this, &DesignPage::TextEdited);
  connect(policyJava_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_ || !texts_) return;
    texts_->SetPolicyJava(on);
    saveText_->setEnabled(texts_->IsChanged());
  });
  connect(import_, &QPushButton::clicked, this, &DesignPage::ImportText);
  connect(export_, &QPushButton::clicked, this, &DesignPage::ExportText);
  connect(deleteText_, &QPushButton::clicked, this, &DesignPage::DeleteText);
  connect(saveText_, &QPushButton::clicked, this, [this] { SaveTexts(); });
  return tab;
}

bool DesignPage::TextChanged() const { return texts_ && texts_->IsChanged(); }

void DesignPage::ShowTexts() {
  filling_ = true;
  if (texts_) {
    const int index = sections_->currentIndex() < 0 ? 0 : sections_->currentIndex();
    sections_->setCurrentIndex(index);
    texts_->Choose(kTextSections[static_cast<size_t>(index)].section);
    text_->setPlainText(Q(texts_->Shown()));
    policyJava_->setChecked(texts_->Blocks().PolicyJava);
  } else {
    text_->clear();
    policyJava_->setChecked(false);
  }
  filling_ = false;
  saveText_->setEnabled(TextChanged());
}

void DesignPage::SectionChosen(int index) {
  if (!texts_ || index < 0) return;
  filling_ = true;
  text_->setPlainText(Q(texts_->Choose(kTextSections[static_cast<size_t>(index)].section)));
  filling_ = false;
}

void DesignPage::TextEdited() {
  if (filling_ || !texts_) return;
  texts_->Edit(U(text_->toPlainText()));
  saveText_->setEnabled(true);
}

void DesignPage::ImportText() {
  if (!texts_) return;
  const std::optional<std::filesystem::path> file =
      context_.dialogs.ChooseDataFile(kImportDialogTitle, kImportDialogFilter, false);
  if (!file) return;
  // The editor counts UTF-16 units, the core bytes of UTF-8.
  const QString shown = text_->toPlainText();
  const QTextCursor cursor = text_->textCursor();
  const size_t start = U(shown.left(cursor.selectionStart())).size();
  const size_t end = U(shown.left(cursor.selectionEnd())).size();
  const Result<size_t> caret = texts_->Import(*file, start, end);
  if (!caret.ok()) {
    context_.prompter.Show(caret.message(), MessageIcon::Stop);
    return;
  }
  filling_ = true;
  text_->setPlainText(Q(texts_->Shown()));
  filling_ = false;
  QTextCursor after = text_->textCursor();
  after.setPosition(static_cast<int>(Q(std::string_view(texts_->Shown()).substr(0, *caret)).size()));
  text_->setTextCursor(after);
  saveText_->setEnabled(true);
}

void DesignPage::ExportText() {
  if (!texts_) return;
  const std::optional<std::filesystem::path> file =
      context_.dialogs.ChooseDataFile(kExportDialogTitle, kImportDialogFilter, true);
  if (!file) return;
  const Status written = texts_->Export(*file);
  if (!written.ok()) context_.prompter.Show(written.message(), MessageIcon::Stop);
}

void DesignPage::DeleteText() {
  if (!texts_ || !texts_->DeleteSection(context_.prompter)) return;
  filling_ = true;
  text_->setPlainText(Q(texts_->Shown()));
  filling_ = false;
  saveText_->setEnabled(true);
}

bool DesignPage::SaveTexts() {
  if (!texts_) return true;
  const bool saved = texts_->Save(context_.prompter);
  saveText_->setEnabled(texts_->IsChanged());
  return saved;
}

// ---- the page ------------------------------------------------------------------------

bool DesignPage::CanLeave() {
  if (!layout_ || !texts_ || !setTab_) return true;
  const bool leave = ConfirmLeaveDesign(*layout_, *texts_, *setTab_, context_.prompter);
  // No has read the tabs again; show what is stored.
  ShowLayout();
  ShowTexts();
  ShowSets();
  return leave;
}

void DesignPage::ShopChanged() {
  setTab_.reset();
  texts_.reset();
  layout_.reset();
  ShopManager& manager = context_.manager;
  if (manager.IsShopOpen()) {
    try {
      layout_ = std::make_unique<LayoutTab>(manager.Database());
      texts_ = std::make_unique<TextBlocksEditor>(manager.Database());
      // The built-in sets are offered from the first start on, not only after a run.
      InstallBuiltInGraphicSets(manager.ProgramFolder());
      setTab_ = std::make_unique<GraphicSetTab>(manager.Database(), manager.ProgramFolder(), context_.prompter);
      setTab_->Open();
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
      setTab_.reset();
      texts_.reset();
      layout_.reset();
    }
  }
  ShowSets();
  ShowLayout();
  ShowTexts();
  for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->setEnabled(layout_ != nullptr);
}

}  // namespace vendora
