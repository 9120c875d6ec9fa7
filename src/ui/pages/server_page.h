#pragma once
// " Server-Einstellungen ": the tabs web server, FTP server (with FTPS and the
// certificate trusted for it) and Tolm! Payvane. The Payvane tab is usable only for a
// master currency the service takes and, once per shop, after the merchant's password.
#include <memory>

#include "rules/payvane_lock.h"
#include "rules/server_rules.h"
#include "pages/sheet_page.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace vendora {

class FormControls;

class ServerPage : public SheetPage {
  Q_OBJECT
 public:
  enum Tab { kWebServerTab = 0, kFtpServerTab = 1, kPayvaneTab = 2 };

  explicit ServerPage(UiContext& context, QWidget* parent = nullptr);
  ~ServerPage() override;

  QTabWidget* Tabs() const override { return tabs_; }
  bool CanLeave() override;
  void Activated() override;
  void ShopChanged() override;

  bool HasUnsavedChanges() const;
  bool Save();
  void Discard();

  FormControls& WebServerFields() const { return *web_; }
  FormControls& FtpServerFields() const { return *ftp_; }
  FormControls& PayvaneFields() const { return *payvane_; }
  QLineEdit* KeyChecksum() const { return checksum_; }
  QLabel* PayvaneNote() const { return note_; }
  QPushButton* ChangePasswordButton() const { return changePassword_; }
  QPushButton* SaveButton() const { return save_; }
  // The FTP tab's trusted certificate and the button that clears it (saved with the page).
  QLineEdit* TrustedFingerprint() const { return fingerprint_; }
  QPushButton* ForgetCertificateButton() const { return forgetCertificate_; }
  bool PayvaneUnlocked() const { return unlocked_; }

 private:
  void Load();
  // Opening the Payvane tab: the currency rule, then the password.
  void PayvaneTabShown();
  void ShowPayvaneState();
  void UpdateChecksum();
  void ShowProtocolFields();
  void ChangePassword();
  struct Group {
    QString title;
    std::vector<std::string_view> fields;
  };
  // A tab of captioned groups, in columns side by side.
  QWidget* MakeTab(FormControls*& controls, const SettingsForm& form, const std::vector<std::vector<Group>>& columns,
                   QWidget* below = nullptr);

  QTabWidget* tabs_;
  FormControls *web_, *ftp_, *payvane_;
  QLineEdit *checksum_, *fingerprint_;
  QLabel* note_;
  QPushButton *changePassword_, *save_, *forgetCertificate_;
  ServerValues loaded_;
  std::unique_ptr<PayvaneLock> lock_;
  std::string currencyNote_;
  bool unlocked_ = false;
  bool refused_ = false;  // the password was not given: the tab says why it is disabled
  bool asking_ = false;
};

}  // namespace vendora
