#pragma once
// " Shop-Information ": the shop list with its buttons and the company data of the
// open shop with its logo. The list operations and the saving are the core's.
#include <filesystem>
#include <optional>

#include "app/shop_manager.h"
#include "rules/company_rules.h"
#include "pages/sheet_page.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vendora {

class PicturePreview;

class FormControls;

class CompanyPage : public SheetPage, public PendingEdits {
  Q_OBJECT
 public:
  explicit CompanyPage(UiContext& context, QWidget* parent = nullptr);
  ~CompanyPage() override;

  bool CanLeave() override;
  void ShopChanged() override;

  // PendingEdits: asked by the shop list before another shop is opened.
  bool HasUnsavedChanges() const override;
  bool Save() override;
  void Discard() override;

  // Shows the shop list and the open shop as they are now.
  void Refresh();

  QListWidget* ShopList() const { return shops_; }
  QPushButton* NewShopButton() const { return newShop_; }
  QPushButton* AddShopButton() const { return addShop_; }
  QPushButton* RemoveShopButton() const { return removeShop_; }
  QPushButton* CompactButton() const { return compact_; }
  QPushButton* SaveButton() const { return save_; }
  FormControls& Fields() const { return *fields_; }
  PicturePreview* LogoPreview() const { return logo_; }

  void NewShop();
  void AddShop();
  void RemoveShop();
  void CompactShop();
  void ChooseLogo();
  void RemoveLogo();

 signals:
  // The open shop changed (or closed): the window's title and pages follow.
  void ShopSwitched();
  // The company data were saved: the title may show another store name.
  void Saved();

 private:
  void ListSelectionChanged();
  void FillList();
  void LoadCompanyData();
  void ShowLogo(const std::optional<std::filesystem::path>& file);
  void AfterListOperation();

  ShopManager& manager_;
  QListWidget* shops_;
  QPushButton *newShop_, *addShop_, *removeShop_, *compact_, *save_, *chooseLogo_, *removeLogo_;
  FormControls* fields_;
  PicturePreview* logo_;
  QWidget* companyBox_;
  FormValues loaded_;
  LogoChange logoChange_;
  bool filling_ = false;
  // The entry the merchant chose that could not be opened: it stays selected, so that
  // it can be removed and a click on it does not try again.
  int failedRow_ = -1;
};

}  // namespace vendora
