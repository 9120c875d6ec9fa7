#pragma once
// " Darstellung ": the graphic set (its pictures and colours, and the set management),
// the layout switches of the Interfaces row and the shop's text blocks. Each tab has
// its own save button; what the buttons do is the core's (rules/design_rules.h,
// rules/graphic_set_tab.h, rules/text_blocks.h).
#include <QString>

#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "generator/graphic_sets.h"
#include "pages/sheet_page.h"
#include "shopdb/rows.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace vendora {

class ColourField;
class GraphicSetTab;
class LayoutTab;
class PicturePreview;
class TextBlocksEditor;

class DesignPage : public SheetPage {
  Q_OBJECT
 public:
  enum Tab { kGraphicSetTab = 0, kLayoutTab = 1, kTextTab = 2 };

  explicit DesignPage(UiContext& context, QWidget* parent = nullptr);
  ~DesignPage() override;

  QTabWidget* Tabs() const override { return tabs_; }
  bool CanLeave() override;
  void ShopChanged() override;

  // The graphic-set tab.
  QListWidget* SetList() const { return sets_; }
  QListWidget* PictureList() const { return pictures_; }
  PicturePreview* Picture() const { return picture_; }
  ColourField* Colour(int row) const { return colours_[static_cast<size_t>(row - kGsFirstColour)]; }
  QPushButton* ChoosePictureButton() const { return choosePicture_; }
  QPushButton* RemovePictureButton() const { return removePicture_; }
  QPushButton* SaveSetButton() const { return saveSet_; }
  QPushButton* DuplicateButton() const { return duplicate_; }
  QPushButton* RenameButton() const { return rename_; }
  QPushButton* DeleteSetButton() const { return deleteSet_; }
  QPushButton* CreateSetButton() const { return createSet_; }
  QLabel* ReadOnlyNote() const { return readOnly_; }

  // The layout tab.
  QCheckBox* Switch(std::string_view field) const;  // a Boolean field of Interfaces
  QComboBox* MainFont() const { return mainFont_; }
  QComboBox* AltFont() const { return altFont_; }
  QPushButton* MainFontSample() const { return mainSample_; }
  QPushButton* AltFontSample() const { return altSample_; }
  QComboBox* CategoryArrangement() const { return catArrangement_; }
  QComboBox* LineArrangement() const { return lineArrangement_; }
  QSpinBox* CategoryWrapCount() const { return catWrapCount_; }
  QSpinBox* LineWrapCount() const { return lineWrapCount_; }
  QComboBox* Quality() const { return quality_; }
  QLabel* ThumbnailLabel() const { return thumbnailLabel_; }
  QPushButton* SaveLayoutButton() const { return saveLayout_; }
  bool LayoutChanged() const;

  // The text tab.
  QComboBox* Sections() const { return sections_; }
  QPlainTextEdit* Text() const { return text_; }
  QCheckBox* PolicyJava() const { return policyJava_; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* ExportButton() const { return export_; }
  QPushButton* DeleteTextButton() const { return deleteText_; }
  QPushButton* SaveTextButton() const { return saveText_; }
  bool TextChanged() const;

  bool SaveLayout();
  bool SaveTexts();
  bool SaveSet();

 private:
  QWidget* BuildSetTab();
  QWidget* BuildLayoutTab();
  QWidget* BuildTextTab();

  // Graphic sets.
  void ShowSets();
  void ShowSetElements();
  void ShowPicture();
  void SetChosen();
  void ChoosePicture();
  void RemovePicture();
  void ColourEdited(int row);
  void DuplicateSet();
  void RenameSet();
  void DeleteSet();
  void CreateSet();

  // Layout.
  void ShowLayout();
  void LayoutEdited();
  void ApplyDependencies();
  void QualityChosen(int choice);
  InterfacesRow RowFromControls() const;

  // Texts.
  void ShowTexts();
  void SectionChosen(int index);
  void TextEdited();
  void ImportText();
  void ExportText();
  void DeleteText();

  QTabWidget* tabs_;
  std::unique_ptr<LayoutTab> layout_;
  std::unique_ptr<TextBlocksEditor> texts_;
  std::unique_ptr<GraphicSetTab> setTab_;

  QListWidget *sets_, *pictures_;
  PicturePreview* picture_;
  std::array<ColourField*, 6> colours_{};
  QPushButton *choosePicture_, *removePicture_, *saveSet_, *duplicate_, *rename_, *deleteSet_, *createSet_;
  QLabel* readOnly_;

  std::vector<std::pair<std::string_view, QCheckBox*>> switches_;
  QComboBox *mainFont_, *altFont_, *catArrangement_, *lineArrangement_, *quality_;
  QPushButton *mainSample_, *altSample_, *saveLayout_;
  QSpinBox *catWrapCount_, *lineWrapCount_;
  QCheckBox *catFreeWrap_, *lineFreeWrap_;
  QLabel* thumbnailLabel_;
  std::vector<QWidget*> fontControls_, catWrapControls_, catVerticalControls_, lineWrapControls_,
      lineVerticalControls_;

  QComboBox* sections_;
  QPlainTextEdit* text_;
  QCheckBox* policyJava_;
  QPushButton *import_, *export_, *deleteText_, *saveText_;

  bool filling_ = false;
};

}  // namespace vendora
