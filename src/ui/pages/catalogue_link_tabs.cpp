// The catalogue tabs whose lists hold names only: the attribute kinds, their values and
// the index entries, and the assignment of products to product lines.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/list_shortcuts.h"
#include "pages/catalogue_tabs.h"
#include "rules/catalogue_edit.h"
#include "rules/catalogue_lists.h"

namespace vendora {

namespace {

// A list of rows shown by name: renamed in place by `rename`, or read only without.
template <class Row>
typename TableRows<Row>::Binding NameBinding(std::function<std::vector<Row>()> load,
                                             std::function<Status(int32_t, const std::string&)> rename = {}) {
  typename TableRows<Row>::Binding binding;
  binding.load = std::move(load);
  binding.cell = [](const Row& row, int) { return row.Name; };
  binding.write = [rename](Row& row, int, std::string_view typed) -> Status {
    if (!rename) return Status::Ok();
    row.Name = std::string(typed);
    return rename(row.ID, row.Name);
  };
  return binding;
}

std::vector<ListColumn> NameColumn(std::string_view table, bool editable = true) {
  return {{QStringLiteral("Name"), ColumnKind::Text, FieldWidth(table, "Name"), editable}};
}

void Fill(RecordList* list, ListRows* rows, int fallbackRow = -1) {
  list->Show(rows, list->CurrentKey(), fallbackRow >= 0 ? fallbackRow : std::max(list->CurrentRow(), 0));
}

class AttributesTab : public CatalogueTabWidget {
 public:
  AttributesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent)
      : CatalogueTabWidget(context, editor, CatalogueTab::Attributes, parent),
        kinds_(NameBinding<MainAttributesRow>(
            [this] { return AttributeKindList(Db()); },
            [this](int32_t id, const std::string& name) { return Editor().RenameAttributeKind(id, name); })),
        values_(NameBinding<SubAttributesRow>(
            [this] {
              const std::optional<int32_t> kind = kindList_->CurrentKey();
              return kind ? AttributeValueList(Db(), *kind) : std::vector<SubAttributesRow>{};
            },
            [this](int32_t id, const std::string& name) { return Editor().RenameAttributeValue(id, name); })),
        index_(NameBinding<IndexRow>(
            [this] { return IndexEntryList(Db()); },
            [this](int32_t id, const std::string& name) { return Editor().RenameIndexEntry(id, name); })) {
    kindList_ = List(QStringLiteral("Hauptattribute"), "kindList", NameColumn("MainAttributes"));
    valueList_ = List(QStringLiteral("Unterattribute"), "valueList", NameColumn("SubAttributes"));
    indexList_ = List(QStringLiteral("Indexeinträge"), "indexList", NameColumn("Index"));
    for (RecordList* list : {kindList_, valueList_, indexList_}) list->SetMultiSelection(true);

    auto* addKind = Button(QStringLiteral("&Neu"), "kindAdd", [this] {
      const int32_t key = Editor().AddAttributeKind();
      Load();
      kindList_->EditCell(key, 0);
    });
    auto* deleteKinds = Button(QStringLiteral("&Löschen"), "kindDelete", [this] {
      if (Editor().DeleteAttributeKinds(kindList_->SelectedKeys()) > 0) Fill(kindList_, &kinds_, 0);
      Load();
    });
    auto* addValue = Button(QStringLiteral("N&eu"), "valueAdd", [this] {
      const std::optional<int32_t> key = Editor().AddAttributeValue(kindList_->CurrentKey());
      Load();
      if (key) valueList_->EditCell(*key, 0);
    });
    auto* deleteValues = Button(QStringLiteral("Lösc&hen"), "valueDelete", [this] {
      Editor().DeleteAttributeValues(valueList_->SelectedKeys());
      Load();
    });
    auto* addIndex = Button(QStringLiteral("Ne&u"), "indexAdd", [this] {
      const int32_t key = Editor().AddIndexEntry();
      Load();
      indexList_->EditCell(key, 0);
    });
    auto* deleteIndex = Button(QStringLiteral("Lös&chen"), "indexDelete", [this] {
      Editor().DeleteIndexEntries(indexList_->SelectedKeys());
      Load();
    });
    BindListButtons(kindList_, {addKind, deleteKinds});
    BindListButtons(valueList_, {addValue, deleteValues});
    BindListButtons(indexList_, {addIndex, deleteIndex});
    auto* save = new QPushButton(QStringLiteral("Infos &speichern"), this);
    save->setObjectName(QStringLiteral("attributesSave"));
    connect(save, &QPushButton::clicked, this, [this] { Save(); });

    auto* grid = new QGridLayout(this);
    const std::array<std::pair<RecordList*, std::array<QPushButton*, 2>>, 3> columns = {
        {{kindList_, {addKind, deleteKinds}}, {valueList_, {addValue, deleteValues}}, {indexList_, {addIndex, deleteIndex}}}};
    for (int c = 0; c < 3; ++c) {
      grid->addWidget(columns[c].first, 0, c);
      auto* buttons = new QHBoxLayout;
      for (QPushButton* b : columns[c].second) buttons->addWidget(b);
      grid->addLayout(buttons, 1, c);
    }
    grid->addWidget(save, 2, 2, Qt::AlignRight);
    connect(kindList_, &RecordList::CurrentChanged, this, [this] {
      if (!loading_) Guarded([this] { valueList_->Show(&values_); });
    });
  }

  void Load() override {
    Guarded([this] {
      loading_ = true;
      Fill(kindList_, &kinds_);
      loading_ = false;
      Fill(valueList_, &values_);
      Fill(indexList_, &index_);
    });
    loading_ = false;
  }

 private:
  TableRows<MainAttributesRow> kinds_;
  TableRows<SubAttributesRow> values_;
  TableRows<IndexRow> index_;
  RecordList *kindList_, *valueList_, *indexList_;
};

class AssignmentTab : public CatalogueTabWidget {
 public:
  AssignmentTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent)
      : CatalogueTabWidget(context, editor, CatalogueTab::Assignment, parent),
        categories_(NameBinding<CategoriesRow>([this] { return CategoryList(Db()); })),
        products_(NameBinding<ProductsRow>([this] {
          const std::optional<int32_t> category = categoryList_->CurrentKey();
          return category ? ProductList(Db(), *category) : std::vector<ProductsRow>{};
        })),
        lines_(NameBinding<LinesRow>([this] { return LineList(Db()); })),
        members_(NameBinding<ProdLinesRow>([this] {
          const std::optional<int32_t> line = lineList_->CurrentKey();
          return line ? MemberList(Db(), *line) : std::vector<ProdLinesRow>{};
        })) {
    categoryList_ = List(QStringLiteral("Kategorien"), "assignCategoryList", NameColumn("Categories", false));
    productList_ = List(QStringLiteral("Produkte"), "assignProductList", NameColumn("Products", false));
    lineList_ = List(QStringLiteral("Produktlinien"), "assignLineList", NameColumn("Lines", false));
    memberList_ = List(QStringLiteral("Zugewiesene Produkte"), "memberList", NameColumn("ProdLines", false));
    productList_->SetMultiSelection(true);
    memberList_->SetMultiSelection(true);

    auto* add = Button(QStringLiteral("&Hinzufügen"), "memberAdd", [this] {
      if (Editor().AddToLine(lineList_->CurrentKey(), productList_->SelectedKeys()) > 0) Load();
    });
    auto* remove = Button(QStringLiteral("&Entfernen"), "memberRemove", [this] {
      const int row = memberList_->CurrentRow();
      if (Editor().RemoveFromLine(memberList_->SelectedKeys()) > 0) Fill(memberList_, &members_, std::max(row, 0));
    });
    auto* clear = Button(QStringLiteral("&Linie löschen"), "lineClear", [this] {
      if (Editor().ClearLine(lineList_->CurrentKey()) > 0) Load();
    });
    auto* up = Button(QStringLiteral("Nach &oben"), "memberUp", [this] { Move(MoveDirection::Up); });
    auto* down = Button(QStringLiteral("Nach &unten"), "memberDown", [this] { Move(MoveDirection::Down); });
    BindListButtons(memberList_, {nullptr, remove, up, down});
    BindListButtons(productList_, {add});
    auto* save = new QPushButton(QStringLiteral("Infos &speichern"), this);
    save->setObjectName(QStringLiteral("assignmentSave"));
    connect(save, &QPushButton::clicked, this, [this] { Save(); });

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    for (QPushButton* b : {add, remove, clear}) middle->addWidget(b);
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(lineList_, 1);
    right->addWidget(memberList_, 2);
    auto* moves = new QHBoxLayout;
    for (QPushButton* b : {up, down}) moves->addWidget(b);
    moves->addStretch(1);
    moves->addWidget(save);
    right->addLayout(moves);
    auto* left = new QVBoxLayout;
    left->addWidget(categoryList_, 1);
    left->addWidget(productList_, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(middle);
    layout->addLayout(right, 1);
    connect(categoryList_, &RecordList::CurrentChanged, this, [this] {
      if (!loading_) Guarded([this] { productList_->Show(&products_); });
    });
    connect(lineList_, &RecordList::CurrentChanged, this, [this] {
      if (!loading_) Guarded([this] { memberList_->Show(&members_); });
    });
  }

  void Load() override {
    Guarded([this] {
      loading_ = true;
      Fill(categoryList_, &categories_);
      Fill(lineList_, &lines_);
      loading_ = false;
      Fill(productList_, &products_);
      Fill(memberList_, &members_);
    });
    loading_ = false;
  }

 private:
  void Move(MoveDirection direction) {
    const std::optional<int32_t> key = memberList_->CurrentKey();
    if (key && Editor().MoveMember(*key, direction) > 0) Fill(memberList_, &members_);
  }

  TableRows<CategoriesRow> categories_;
  TableRows<ProductsRow> products_;
  TableRows<LinesRow> lines_;
  TableRows<ProdLinesRow> members_;
  RecordList *categoryList_, *productList_, *lineList_, *memberList_;
};

}  // namespace

CatalogueTabWidget* MakeAttributesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent) {
  return new AttributesTab(context, editor, parent);
}

CatalogueTabWidget* MakeAssignmentTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent) {
  return new AssignmentTab(context, editor, parent);
}

}  // namespace vendora
