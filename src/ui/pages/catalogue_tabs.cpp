#include "pages/catalogue_tabs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/prompter.h"
#include "controls/list_shortcuts.h"
#include "controls/preview_fields.h"
#include "dialogs.h"
#include "rules/catalogue_edit.h"
#include "rules/catalogue_lists.h"
#include "shopdb/db_error.h"
#include "shopdb/field_display.h"
#include "shopdb/schema.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

CatalogueTabWidget::CatalogueTabWidget(UiContext& context, CatalogueEditor* const& editor, CatalogueTab tab,
                                       QWidget* parent)
    : QWidget(parent), context_(context), editor_(editor), tab_(tab) {}

ShopDatabase& CatalogueTabWidget::Db() const { return context_.manager.Database(); }

void CatalogueTabWidget::CommitEdits() {
  for (RecordList* list : lists_) list->CommitEdit();
}

void CatalogueTabWidget::Act(const std::function<void()>& action) {
  if (!editor_) return;
  CommitEdits();
  try {
    if (!Accept(WriteFields())) return;
    action();
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
    Load();
  }
}

void CatalogueTabWidget::Guarded(const std::function<void()>& load) {
  try {
    load();
  } catch (const DbError& e) {
    ShowDbError(context_.prompter, e);
  }
}

bool CatalogueTabWidget::Accept(const Status& status) {
  if (status.ok()) return true;
  context_.prompter.Show(status.message(), MessageIcon::Stop);
  return false;
}

bool CatalogueTabWidget::Save() {
  if (!editor_) return true;
  bool saved = false;
  Act([&] { saved = Accept(Editor().SaveTab(tab_)); });
  Load();
  return saved;
}

QPushButton* CatalogueTabWidget::Button(const QString& text, const char* name, const std::function<void()>& action) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::fromLatin1(name));
  connect(button, &QPushButton::clicked, this, [this, action] { Act(action); });
  return button;
}

RecordList* CatalogueTabWidget::List(const QString& caption, const char* name, std::vector<ListColumn> columns) {
  auto* list = new RecordList(caption, std::move(columns), context_.prompter, this);
  list->setObjectName(QString::fromLatin1(name));
  // A refused cell may be a row another program deleted: the lists show what is stored.
  connect(list->Model(), &RecordListModel::Refused, this,
          [this] { QMetaObject::invokeMethod(this, [this] { Load(); }, Qt::QueuedConnection); });
  lists_.push_back(list);
  return list;
}

void CatalogueTabWidget::FieldEdited() {
  if (loading_ || !editor_) return;
  detailsEdited_ = true;
  Editor().MarkChanged(tab_);
}

int FieldWidth(std::string_view table, std::string_view field) {
  const FieldDef* def = ShopTable(table).Field(field);
  return def ? def->width : 0;
}

namespace {

// Categories and product lines: the same shape, a list of named rows with a switch,
// a description and a button and a heading picture each.
template <class Row>
struct GroupKind {
  CatalogueTab tab;
  const char* table;
  const char* prefix;  // of the controls' object names
  QString caption, shownHeading;
  PictureSlot button, heading;
  std::vector<Row> (*load)(ShopDatabase&);
  int32_t (CatalogueEditor::*add)();
  int (CatalogueEditor::*move)(int32_t, MoveDirection);
  std::function<int(CatalogueEditor&, int32_t)> remove;
  Status (CatalogueEditor::*save)(const Row&);
};

template <class Row>
class GroupTab : public CatalogueTabWidget {
 public:
  GroupTab(UiContext& context, CatalogueEditor* const& editor, GroupKind<Row> kind, QWidget* parent)
      : CatalogueTabWidget(context, editor, kind.tab, parent),
        kind_(std::move(kind)),
        rows_({.load = [this] { return kind_.load(Db()); },
               .cell = [](const Row& row, int column) {
                 return column == 0 ? row.Name : FormatFieldValue(row.Include);
               },
               .write = [this](Row& row, int column, std::string_view typed) -> Status {
                 if (column == 0) {
                   row.Name = std::string(typed);
                 } else {
                   Result<bool> shown = ParseSwitchCell(typed, U(kind_.shownHeading));
                   if (!shown.ok()) return shown.status();
                   row.Include = *shown;
                 }
                 return (Editor().*kind_.save)(row);
               },
               .choices = {}}) {
    const std::string prefix = kind_.prefix;
    list_ = List(kind_.caption, (prefix + "List").c_str(),
                 {{QStringLiteral("Name"), ColumnKind::Text, FieldWidth(kind_.table, "Name")},
                  {kind_.shownHeading, ColumnKind::Switch, 0, true,
                   QStringLiteral("Nur angezeigte Einträge erscheinen im Shop.")}});
    description_ = new QPlainTextEdit(this);
    description_->setObjectName(Q(prefix + "Description"));
    connect(description_, &QPlainTextEdit::textChanged, this, [this] { FieldEdited(); });
    buttonPicture_ = new PicturePreview(QSize(160, 60), this);
    headingPicture_ = new PicturePreview(QSize(160, 60), this);

    auto* add = Button(QStringLiteral("&Neu"), (prefix + "Add").c_str(), [this] {
      const int32_t key = (Editor().*kind_.add)();
      Load();
      list_->EditCell(key, 0);
    });
    auto* remove = Button(QStringLiteral("&Löschen"), (prefix + "Delete").c_str(), [this] {
      const std::optional<int32_t> key = list_->CurrentKey();
      if (!key) return;
      const int row = list_->CurrentRow();
      if (kind_.remove(Editor(), *key) > 0) Refill(row);
    });
    auto* up = Button(QStringLiteral("Nach &oben"), (prefix + "Up").c_str(), [this] { Move(MoveDirection::Up); });
    auto* down =
        Button(QStringLiteral("Nach &unten"), (prefix + "Down").c_str(), [this] { Move(MoveDirection::Down); });
    BindListButtons(list_, {add, remove, up, down});
    auto* save = new QPushButton(QStringLiteral("Infos &speichern"), this);
    save->setObjectName(Q(prefix + "Save"));
    connect(save, &QPushButton::clicked, this, [this] { Save(); });

    auto* details = new QGridLayout;
    details->addWidget(new QLabel(QStringLiteral("&Beschreibung:"), this), 0, 0, 1, 3);
    static_cast<QLabel*>(details->itemAtPosition(0, 0)->widget())->setBuddy(description_);
    details->addWidget(description_, 1, 0, 1, 3);
    PictureRow(details, 2, QStringLiteral("Schaltfläche:"), buttonPicture_, kind_.button, prefix + "Button",
               {QStringLiteral("Bild &wählen..."), QStringLiteral("Bild &entfernen")});
    PictureRow(details, 3, QStringLiteral("Überschrift:"), headingPicture_, kind_.heading, prefix + "Heading",
               {QStringLiteral("Bild wä&hlen..."), QStringLiteral("Bild entfe&rnen")});
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, up, down}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(save);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 2);
    layout->addLayout(buttons);
    layout->addLayout(details, 3);
    detailWidgets_ = {description_, buttonPicture_, headingPicture_};
    connect(list_, &RecordList::CurrentChanged, this, [this](std::optional<int32_t> key) { RowChosen(key); });
  }

  void Load() override { Refill(std::max(list_->CurrentRow(), 0)); }

  Status WriteFields() override {
    if (!detailsEdited_ || !shown_) return Status::Ok();
    const Row* row = Find(*shown_);
    detailsEdited_ = false;
    if (!row) return Status::Ok();
    Row changed = *row;
    changed.Description = U(description_->toPlainText());
    if (changed.Description == row->Description) return Status::Ok();
    Status saved = (Editor().*kind_.save)(changed);
    if (!saved.ok()) detailsEdited_ = true;
    return saved;
  }

 private:
  void Refill(int fallbackRow) {
    Guarded([&] {
      loading_ = true;
      list_->Show(&rows_, list_->CurrentKey(), fallbackRow);
      loading_ = false;
    });
    loading_ = false;
    ShowRow(list_->CurrentKey());
  }

  void Move(MoveDirection direction) {
    const std::optional<int32_t> key = list_->CurrentKey();
    if (key && (Editor().*kind_.move)(*key, direction) > 0) Load();
  }

  const Row* Find(int32_t key) const {
    for (const Row& row : rows_.All())
      if (row.ID == key) return &row;
    return nullptr;
  }

  void RowChosen(std::optional<int32_t> key) {
    if (loading_ || key == shown_) return;
    if (!Accept(WriteFields())) {
      // The old row keeps the focus until its fields can be stored.
      if (shown_) QMetaObject::invokeMethod(this, [this] { list_->SelectKey(*shown_); }, Qt::QueuedConnection);
      return;
    }
    ShowRow(key);
  }

  void ShowRow(std::optional<int32_t> key) {
    loading_ = true;
    shown_ = key;
    detailsEdited_ = false;
    const Row* row = key ? Find(*key) : nullptr;
    description_->setPlainText(row ? Q(row->Description) : QString());
    for (QWidget* w : detailWidgets_) w->setEnabled(row != nullptr);
    for (QPushButton* b : pictureButtons_) b->setEnabled(row != nullptr);
    ShowPictures();
    loading_ = false;
  }

  void ShowPictures() {
    const bool any = shown_ && HasEditor();
    buttonPicture_->ShowFile(any ? Editor().Pictures().Shown(kind_.button, *shown_) : std::nullopt);
    headingPicture_->ShowFile(any ? Editor().Pictures().Shown(kind_.heading, *shown_) : std::nullopt);
  }

  void PictureRow(QGridLayout* grid, int row, const QString& label, PicturePreview* preview, PictureSlot slot,
                  const std::string& name, const std::array<QString, 2>& buttonTexts) {
    auto* choose = new QPushButton(buttonTexts[0], this);
    choose->setObjectName(Q(name + "Choose"));
    auto* remove = new QPushButton(buttonTexts[1], this);
    remove->setObjectName(Q(name + "Remove"));
    connect(choose, &QPushButton::clicked, this, [this, slot, label] {
      if (!shown_) return;
      const auto file = context_.dialogs.ChoosePictureFile(U(label));
      if (file) Accept(Editor().ChoosePicture(slot, *shown_, *file));
      ShowPictures();
    });
    connect(remove, &QPushButton::clicked, this, [this, slot] {
      if (!shown_) return;
      Editor().RemovePicture(slot, *shown_);
      ShowPictures();
    });
    pictureButtons_.push_back(choose);
    pictureButtons_.push_back(remove);
    grid->addWidget(new QLabel(label, this), row, 0);
    grid->addWidget(preview, row, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(remove);
    grid->addLayout(buttons, row, 2);
  }

  GroupKind<Row> kind_;
  TableRows<Row> rows_;
  RecordList* list_;
  QPlainTextEdit* description_;
  PicturePreview *buttonPicture_, *headingPicture_;
  std::vector<QWidget*> detailWidgets_;
  std::vector<QPushButton*> pictureButtons_;
};

}  // namespace

CatalogueTabWidget* MakeCategoriesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent) {
  return new GroupTab<CategoriesRow>(
      context, editor,
      {CatalogueTab::Categories, "Categories", "category", QStringLiteral("Kategorien"), QStringLiteral("Anzeigen"),
       PictureSlot::CategoryButton, PictureSlot::CategoryHeading, &CategoryList, &CatalogueEditor::AddCategory,
       &CatalogueEditor::MoveCategory, [](CatalogueEditor& e, int32_t id) { return e.DeleteCategory(id); },
       &CatalogueEditor::SaveCategory},
      parent);
}

CatalogueTabWidget* MakeLinesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent) {
  return new GroupTab<LinesRow>(
      context, editor,
      {CatalogueTab::Lines, "Lines", "line", QStringLiteral("Produktlinien"), QStringLiteral("Anzeigen"),
       PictureSlot::LineButton, PictureSlot::LineHeading, &LineList, &CatalogueEditor::AddLine,
       &CatalogueEditor::MoveLine, [](CatalogueEditor& e, int32_t id) { return e.DeleteLines({id}); },
       &CatalogueEditor::SaveLine},
      parent);
}

}  // namespace vendora
