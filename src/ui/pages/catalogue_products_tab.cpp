// The catalogue's products tab: the products of the chosen category, the items of the
// chosen product, and the product's details (attribute kinds, index entry,
// descriptions, picture).
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/list_shortcuts.h"
#include "controls/preview_fields.h"
#include "dialogs.h"
#include "pages/catalogue_tabs.h"
#include "rules/catalogue_cells.h"
#include "rules/catalogue_edit.h"
#include "rules/catalogue_lists.h"
#include "shopdb/field_display.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

constexpr std::array<ItemColumn, 8> kItemColumns = {ItemColumn::ItemNumber, ItemColumn::Value1, ItemColumn::Value2,
                                                    ItemColumn::Weight,     ItemColumn::MPrice, ItemColumn::SPrice,
                                                    ItemColumn::Shipping,   ItemColumn::Available};

const QString kAvailableTip = QStringLiteral("Nur verfügbare Produkte und Artikel erscheinen im Shop.");
const QString kValueTip =
    QStringLiteral("Eine Eigenschaft der Attributart des Produkts wählen oder ihren Namen eintippen.");

void FillChooser(QComboBox* chooser, const std::vector<ListChoice>& choices, std::optional<int32_t> current) {
  const QSignalBlocker blocker(chooser);
  chooser->clear();
  for (const ListChoice& choice : choices) chooser->addItem(Q(choice.text), choice.key);
  chooser->setCurrentIndex(current ? chooser->findData(*current) : -1);
}

std::optional<int32_t> ChosenKey(const QComboBox* chooser) {
  if (chooser->currentIndex() < 0) return std::nullopt;
  return chooser->currentData().toInt();
}

class ProductsTab : public CatalogueTabWidget {
 public:
  ProductsTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent)
      : CatalogueTabWidget(context, editor, CatalogueTab::Products, parent),
        products_({.load =
                       [this] {
                         const std::optional<int32_t> category = ChosenKey(category_);
                         return category ? ProductList(Db(), *category) : std::vector<ProductsRow>{};
                       },
                   .cell = [](const ProductsRow& row,
                              int column) { return column == 0 ? row.Name : FormatFieldValue(row.Available); },
                   .write = [this](ProductsRow& row, int column, std::string_view typed) -> Status {
                     if (column == 0) {
                       row.Name = std::string(typed);
                     } else {
                       Result<bool> available = ParseSwitchCell(typed, "Verfügbar");
                       if (!available.ok()) return available.status();
                       row.Available = *available;
                     }
                     return Editor().SaveProduct(row);
                   },
                   .choices = {}}),
        items_({.load =
                    [this] {
                      return shown_ ? ItemList(Db(), *shown_) : std::vector<ItemsRow>{};
                    },
                .cell = [this](const ItemsRow& row,
                               int column) { return ItemCellText(Db(), row, kItemColumns[static_cast<size_t>(column)]); },
                .write = [this](ItemsRow& row, int column, std::string_view typed) -> Status {
                  Status taken = TakeItemCell(Db(), row, kItemColumns[static_cast<size_t>(column)], typed);
                  return taken.ok() ? Editor().SaveItem(row) : taken;
                },
                .choices = [this](int column) { return ValueChoices(column); }}) {
    category_ = new QComboBox(this);
    category_->setObjectName(QStringLiteral("productCategory"));
    productList_ = List(QStringLiteral("Produkte"), "productList",
                        {{QStringLiteral("Name"), ColumnKind::Text, FieldWidth("Products", "Name")},
                         {QStringLiteral("Verfügbar"), ColumnKind::Switch, 0, true, kAvailableTip}});
    itemList_ = List(QStringLiteral("Artikel"), "itemList",
                     {{QStringLiteral("Artikelnummer"), ColumnKind::Text, FieldWidth("Items", "ItemNumber")},
                      {QStringLiteral("Hauptattribut"), ColumnKind::Lookup, 0, true, kValueTip},
                      {QStringLiteral("Nebenattribut"), ColumnKind::Lookup, 0, true, kValueTip},
                      {QStringLiteral("Gewicht"), ColumnKind::Number},
                      {QStringLiteral("Preis"), ColumnKind::Number},
                      {QStringLiteral("Zweitpreis"), ColumnKind::Number},
                      {QStringLiteral("Versand"), ColumnKind::Number},
                      {QStringLiteral("Verfügbar"), ColumnKind::Switch, 0, true, kAvailableTip}});
    itemList_->SetMultiSelection(true);
    kind1_ = new QComboBox(this);
    kind1_->setObjectName(QStringLiteral("productKind1"));
    kind2_ = new QComboBox(this);
    kind2_->setObjectName(QStringLiteral("productKind2"));
    index_ = new QComboBox(this);
    index_->setObjectName(QStringLiteral("productIndex"));
    shortDesc_ = new QLineEdit(this);
    shortDesc_->setObjectName(QStringLiteral("productShortDesc"));
    shortDesc_->setMaxLength(FieldWidth("Products", "ShortDesc"));
    longDesc_ = new QPlainTextEdit(this);
    longDesc_->setObjectName(QStringLiteral("productLongDesc"));
    longDesc_->setMaximumHeight(120);
    picture_ = new PicturePreview(QSize(140, 120), this);
    picture_->setObjectName(QStringLiteral("productPicture"));

    auto* addProduct = Button(QStringLiteral("&Neu"), "productAdd", [this] {
      const Result<int32_t> key = Editor().AddProduct(ChosenKey(category_));
      if (!Accept(key.status())) return;
      Load();
      productList_->EditCell(*key, 0);
    });
    auto* deleteProduct = Button(QStringLiteral("&Löschen"), "productDelete", [this] {
      const int row = productList_->CurrentRow();
      if (shown_ && Editor().DeleteProduct(*shown_) > 0) FillProducts(row);
    });
    auto* productUp = Button(QStringLiteral("Nach &oben"), "productUp", [this] { MoveProduct(MoveDirection::Up); });
    auto* productDown =
        Button(QStringLiteral("Nach &unten"), "productDown", [this] { MoveProduct(MoveDirection::Down); });
    BindListButtons(productList_, {addProduct, deleteProduct, productUp, productDown});

    auto* addItem = Button(QStringLiteral("N&eu"), "itemAdd", [this] {
      if (!shown_) return;
      const std::optional<int32_t> key = Editor().AddItem(*shown_);
      FillItems();
      if (key) itemList_->EditCell(*key, 0);
    });
    auto* deleteItems = Button(QStringLiteral("Lös&chen"), "itemDelete", [this] {
      const int row = itemList_->CurrentRow();
      if (Editor().DeleteItems(itemList_->SelectedKeys()) > 0) FillItems(row);
    });
    auto* itemUp = Button(QStringLiteral("Nach o&ben"), "itemUp", [this] { MoveItem(MoveDirection::Up); });
    auto* itemDown = Button(QStringLiteral("Nach un&ten"), "itemDown", [this] { MoveItem(MoveDirection::Down); });
    auto* copyItem = Button(QStringLiteral("Kopie&ren"), "itemCopy", [this] {
      const std::optional<int32_t> item = itemList_->CurrentKey();
      if (!item) return;
      const std::optional<int32_t> key = Editor().CopyItem(*item);
      FillItems();
      if (key) itemList_->EditCell(*key, 0);
    });
    BindListButtons(itemList_, {addItem, deleteItems, itemUp, itemDown});

    auto* choosePicture = Button(QStringLiteral("Bild &wählen..."), "productPictureChoose", [this] {
      if (!shown_) return;
      const auto file = context_.dialogs.ChoosePictureFile("Produktbild");
      if (file) Accept(Editor().ChoosePicture(PictureSlot::Product, *shown_, *file));
      ShowPicture();
    });
    auto* removePicture = Button(QStringLiteral("Bild ent&fernen"), "productPictureRemove", [this] {
      if (!shown_) return;
      Editor().RemovePicture(PictureSlot::Product, *shown_);
      ShowPicture();
    });
    auto* save = new QPushButton(QStringLiteral("Infos &speichern"), this);
    save->setObjectName(QStringLiteral("productsSave"));
    connect(save, &QPushButton::clicked, this, [this] { Save(); });

    // Layout: the category and its products on the left, the product's details and
    // items on the right.
    auto* left = new QVBoxLayout;
    auto* categoryRow = new QHBoxLayout;
    auto* categoryLabel = new QLabel(QStringLiteral("&Kategorie:"), this);
    categoryLabel->setBuddy(category_);
    categoryRow->addWidget(categoryLabel);
    categoryRow->addWidget(category_, 1);
    left->addLayout(categoryRow);
    left->addWidget(productList_, 1);
    auto* productButtons = new QHBoxLayout;
    for (QPushButton* b : {addProduct, deleteProduct, productUp, productDown}) productButtons->addWidget(b);
    left->addLayout(productButtons);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Hauptattribut:"), kind1_);
    form->addRow(QStringLiteral("Neben&attribut:"), kind2_);
    form->addRow(QStringLiteral("In&dex:"), index_);
    form->addRow(QStringLiteral("Kurzbeschreibung:"), shortDesc_);
    form->addRow(QStringLiteral("Langbeschreibung:"), longDesc_);
    auto* pictureBox = new QVBoxLayout;
    pictureBox->addWidget(picture_);
    pictureBox->addWidget(choosePicture);
    pictureBox->addWidget(removePicture);
    pictureBox->addStretch(1);
    auto* details = new QHBoxLayout;
    details->addLayout(form, 1);
    details->addLayout(pictureBox);
    auto* itemButtons = new QHBoxLayout;
    for (QPushButton* b : {addItem, deleteItems, itemUp, itemDown, copyItem}) itemButtons->addWidget(b);
    itemButtons->addStretch(1);
    itemButtons->addWidget(save);
    auto* right = new QVBoxLayout;
    right->addLayout(details);
    right->addWidget(itemList_, 1);
    right->addLayout(itemButtons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addLayout(right, 5);
    detailWidgets_ = {kind1_, kind2_, index_, shortDesc_, longDesc_, picture_, choosePicture, removePicture,
                      itemList_, addItem, deleteItems, itemUp, itemDown, copyItem};

    connect(category_, &QComboBox::currentIndexChanged, this, [this] {
      if (loading_) return;
      if (!Accept(WriteFields())) return;
      FillProducts(0);
    });
    connect(productList_, &RecordList::CurrentChanged, this, [this](std::optional<int32_t> key) {
      if (loading_ || key == shown_) return;
      if (!Accept(WriteFields())) {
        if (shown_) QMetaObject::invokeMethod(this, [this] { productList_->SelectKey(*shown_); }, Qt::QueuedConnection);
        return;
      }
      ShowProduct(key);
    });
    connect(kind1_, &QComboBox::activated, this, [this] { ChangeKind(AttributeSlot::First); });
    connect(kind2_, &QComboBox::activated, this, [this] { ChangeKind(AttributeSlot::Second); });
    connect(index_, &QComboBox::currentIndexChanged, this, [this] { FieldEdited(); });
    connect(shortDesc_, &QLineEdit::textEdited, this, [this] { FieldEdited(); });
    connect(longDesc_, &QPlainTextEdit::textChanged, this, [this] { FieldEdited(); });
  }

  void Load() override {
    Guarded([this] {
      loading_ = true;
      FillChooser(category_, CategoryChoices(Db()), ChosenKey(category_));
      if (category_->currentIndex() < 0 && category_->count() > 0) category_->setCurrentIndex(0);
      loading_ = false;
    });
    loading_ = false;
    FillProducts(std::max(productList_->CurrentRow(), 0));
  }

  Status WriteFields() override {
    if (!detailsEdited_ || !shown_) return Status::Ok();
    const ProductsRow* row = Find(*shown_);
    detailsEdited_ = false;
    if (!row) return Status::Ok();
    ProductsRow changed = *row;
    changed.ShortDesc = U(shortDesc_->text());
    changed.LongDesc = U(longDesc_->toPlainText());
    changed.IndexID = ChosenKey(index_);
    Status saved = Editor().SaveProduct(changed);
    if (!saved.ok()) detailsEdited_ = true;
    return saved;
  }

 private:
  const ProductsRow* Find(int32_t key) const {
    for (const ProductsRow& row : products_.All())
      if (row.ID == key) return &row;
    return nullptr;
  }

  void FillProducts(int fallbackRow) {
    Guarded([&] {
      loading_ = true;
      productList_->Show(&products_, productList_->CurrentKey(), fallbackRow);
    });
    loading_ = false;
    ShowProduct(productList_->CurrentKey());
  }

  void FillItems(int fallbackRow = -1) {
    Guarded([&] {
      itemList_->Show(&items_, itemList_->CurrentKey(),
                      fallbackRow >= 0 ? fallbackRow : std::max(itemList_->CurrentRow(), 0));
    });
  }

  void ShowProduct(std::optional<int32_t> key) {
    loading_ = true;
    shown_ = key;
    detailsEdited_ = false;
    const ProductsRow* row = key ? Find(*key) : nullptr;
    Guarded([&] {
      const std::vector<ListChoice> kinds = AttributeKindChoices(Db());
      FillChooser(kind1_, kinds, row ? std::optional(row->AttributeID1) : std::nullopt);
      FillChooser(kind2_, kinds, row ? std::optional(row->AttributeID2) : std::nullopt);
      FillChooser(index_, IndexEntryChoices(Db()), row ? row->IndexID : std::nullopt);
    });
    shortDesc_->setText(row ? Q(row->ShortDesc) : QString());
    longDesc_->setPlainText(row ? Q(row->LongDesc) : QString());
    for (QWidget* w : detailWidgets_) w->setEnabled(row != nullptr);
    ShowPicture();
    loading_ = false;
    FillItems(0);
  }

  void ShowPicture() {
    picture_->ShowFile(shown_ && HasEditor() ? Editor().Pictures().Shown(PictureSlot::Product, *shown_)
                                             : std::nullopt);
  }

  void MoveProduct(MoveDirection direction) {
    if (shown_ && Editor().MoveProduct(*shown_, direction) > 0) FillProducts(0);
  }

  void MoveItem(MoveDirection direction) {
    const std::optional<int32_t> item = itemList_->CurrentKey();
    if (item && Editor().MoveItem(*item, direction) > 0) FillItems();
  }

  void ChangeKind(AttributeSlot slot) {
    QComboBox* chooser = slot == AttributeSlot::First ? kind1_ : kind2_;
    const std::optional<int32_t> kind = ChosenKey(chooser);
    Act([&] {
      if (shown_ && kind) Editor().ChangeAttributeKind(*shown_, slot, *kind);
    });
    // Whatever was answered, the product and its items show what is stored.
    FillProducts(std::max(productList_->CurrentRow(), 0));
  }

  // The values of the product's first or second kind, as the item cells show them.
  std::vector<std::string> ValueChoices(int column) const {
    std::vector<std::string> names;
    const ProductsRow* row = shown_ ? Find(*shown_) : nullptr;
    if (!row || (column != 1 && column != 2)) return names;
    names.emplace_back(" ");
    for (const SubAttributesRow& value : AttributeValueList(Db(), column == 1 ? row->AttributeID1 : row->AttributeID2))
      names.push_back(value.Name);
    return names;
  }

  TableRows<ProductsRow> products_;
  TableRows<ItemsRow> items_;
  QComboBox *category_, *kind1_, *kind2_, *index_;
  RecordList *productList_, *itemList_;
  QLineEdit* shortDesc_;
  QPlainTextEdit* longDesc_;
  PicturePreview* picture_;
  std::vector<QWidget*> detailWidgets_;
};

}  // namespace

CatalogueTabWidget* MakeProductsTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent) {
  return new ProductsTab(context, editor, parent);
}

}  // namespace vendora
