#include "pages/server_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/shop_manager.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "controls/form_controls.h"
#include "dialogs.h"
#include "generator/server_checks.h"
#include "shopdb/db_error.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

ServerPage::ServerPage(UiContext& context, QWidget* parent)
    : SheetPage(context, QStringLiteral(" Server-Einstellungen "), parent) {
  tabs_ = new QTabWidget(this);
  tabs_->addTab(MakeTab(web_, WebServerForm(),
                        {{{QStringLiteral("Adressen des Shops"),
                           {"HomeURL", "StandAlone", "StoreURL", "ExitToTopFrame", "FileName"}},
                          {QStringLiteral("Scripts auf dem Web-Server"), {"StorePath", "ScriptURL", "ScriptExt", "PerlPath"}},
                          {QStringLiteral("Bestellungen per E-Mail"), {"MailOption", "MailExec", "MailHost"}}}}),
                QStringLiteral("Webserver"));
  // FTPS right below the two columns: the fingerprint needs the whole width.
  auto* tlsBox = new QGroupBox(QStringLiteral("Verschlüsselung"));
  forgetCertificate_ = new QPushButton(QStringLiteral("Zertifikat v&ergessen"), tlsBox);
  forgetCertificate_->setEnabled(false);
  forgetCertificate_->setToolTip(
      QStringLiteral("Das gespeicherte Zertifikat wird nach dem Speichern nicht mehr ohne Rückfrage angenommen."));
  QWidget* ftpTab =
      MakeTab(ftp_, FtpServerForm(),
              {{{QStringLiteral("Server"),
                 {"Protocol", "HostName", "HostPort", "SftpPort", "HostUser", "HostPass", "HostAcct", "Passive"}},
                {QStringLiteral("Verzeichnisse auf dem Server"), {"RemoteDir", "RemoteScript"}}},
               {{QStringLiteral("Firewall / Proxy"),
                 {"ProxyType", "ProxyName", "ProxyPort", "ProxyUser", "ProxyPass", "ProxyAcct"}}}});
  auto* ftpLayout = static_cast<QVBoxLayout*>(ftpTab->layout());
  ftpLayout->setStretch(0, 0);
  tlsBox->setParent(ftpTab);
  ftpLayout->addWidget(tlsBox);
  ftpLayout->addStretch(1);
  ftp_->Editor("Protocol")->setToolTip(QStringLiteral(
      "FTP über TLS: Anmeldung und Dateien gehen verschlüsselt zum Server (AUTH TLS). SFTP: über SSH, mit den "
      "Schlüsseln und bekannten Servern aus ~/.ssh; Firewall und Proxy gelten dann nicht."));
  fingerprint_ = qobject_cast<QLineEdit*>(ftp_->Editor("TlsFingerprint"));
  fingerprint_->setToolTip(QStringLiteral(
      "SHA-256-Fingerabdruck eines Zertifikats, dem Sie beim Veröffentlichen vertraut haben, obwohl keine anerkannte "
      "Stelle es bestätigt."));
  auto* fingerprintRow = new QHBoxLayout;
  fingerprintRow->addLayout(ftp_->Rows({"TlsFingerprint"}), 1);
  fingerprintRow->addWidget(forgetCertificate_, 0, Qt::AlignTop);
  auto* tlsLayout = new QVBoxLayout(tlsBox);
  tlsLayout->addLayout(fingerprintRow);
  tabs_->addTab(ftpTab, QStringLiteral("FTP-Server"));

  // The Payvane tab: its fields, the key checksum below the keys, the note and the password.
  auto* extras = new QWidget;
  checksum_ = new QLineEdit(extras);
  checksum_->setReadOnly(true);
  checksum_->setMaximumWidth(120);
  checksum_->setToolTip(QStringLiteral("Prüfsumme der beiden Schlüssel."));
  note_ = new QLabel(extras);
  note_->setWordWrap(true);
  note_->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
  changePassword_ = new QPushButton(QStringLiteral("Kennwort ä&ndern..."), extras);
  auto* extrasLayout = new QVBoxLayout(extras);
  extrasLayout->setContentsMargins(0, 0, 0, 0);
  extrasLayout->addWidget(note_);
  auto* passwordRow = new QHBoxLayout;
  passwordRow->addStretch();
  passwordRow->addWidget(changePassword_);
  extrasLayout->addLayout(passwordRow);
  QWidget* payvaneTab =
      MakeTab(payvane_, PayvaneForm(),
              {{{QStringLiteral("Tolm! Payvane Server"), {"Use", "Server", "Port", "TimeOut", "HID"}},
                {QStringLiteral("Abrechnung"), {"Price", "OlpType", "TxType"}}},
               {{QStringLiteral("Schlüssel"), {"RsaE", "RsaN"}}}},
              extras);
  // The checksum sits in the keys' group, right below them.
  if (auto* keysForm = qobject_cast<QFormLayout*>(payvane_->Editor("RsaN")->parentWidget()->layout()))
    keysForm->addRow(QStringLiteral("Prüfsumme:"), checksum_);
  tabs_->addTab(payvaneTab, QStringLiteral("Tolm! Payvane"));

  save_ = new QPushButton(QStringLiteral("Infos &speichern"), this);
  auto* saveRow = new QHBoxLayout;
  saveRow->addStretch();
  saveRow->addWidget(save_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(saveRow);

  for (std::string_view key : {"RsaE", "RsaN"})
    connect(qobject_cast<QLineEdit*>(payvane_->Editor(key)), &QLineEdit::textChanged, this, &ServerPage::UpdateChecksum);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == kPayvaneTab && isVisible()) PayvaneTabShown();
  });
  connect(changePassword_, &QPushButton::clicked, this, &ServerPage::ChangePassword);
  connect(forgetCertificate_, &QPushButton::clicked, this, [this] { fingerprint_->clear(); });
  connect(fingerprint_, &QLineEdit::textChanged, this,
          [this](const QString& text) { forgetCertificate_->setEnabled(!text.isEmpty()); });
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  if (auto* protocol = qobject_cast<QComboBox*>(ftp_->Editor("Protocol")))
    connect(protocol, &QComboBox::currentIndexChanged, this, &ServerPage::ShowProtocolFields);
  ShopChanged();
}

ServerPage::~ServerPage() = default;

QWidget* ServerPage::MakeTab(FormControls*& controls, const SettingsForm& form,
                             const std::vector<std::vector<Group>>& columns, QWidget* below) {
  auto* tab = new QWidget;
  controls = new FormControls(form, tab);
  auto* row = new QHBoxLayout;
  for (const auto& column : columns) {
    auto* columnLayout = new QVBoxLayout;
    for (const Group& group : column) {
      auto* box = new QGroupBox(group.title, tab);
      box->setLayout(controls->Rows(group.fields));
      columnLayout->addWidget(box);
    }
    columnLayout->addStretch();
    row->addLayout(columnLayout, 1);
  }
  auto* layout = new QVBoxLayout(tab);
  layout->addLayout(row, 1);
  if (below) {
    below->setParent(tab);
    layout->addWidget(below);
  }
  return tab;
}

// Fields that mean nothing with the chosen protocol are greyed out, their values kept.
void ServerPage::ShowProtocolFields() {
  const auto* protocol = qobject_cast<QComboBox*>(ftp_->Editor("Protocol"));
  if (!protocol) return;
  for (const FormField& field : FtpServerForm().fields)
    if (QWidget* editor = ftp_->Editor(field.name)) editor->setEnabled(FtpFieldApplies(field.name, protocol->currentIndex()));
  forgetCertificate_->setEnabled(fingerprint_->isEnabled() && !fingerprint_->text().isEmpty());
}

void ServerPage::ShopChanged() {
  ShopManager& manager = context_.manager;
  lock_.reset();
  if (manager.IsShopOpen()) lock_ = std::make_unique<PayvaneLock>(manager.Database(), context_.prompter);
  unlocked_ = refused_ = false;
  Load();
}

void ServerPage::Load() {
  ShopManager& manager = context_.manager;
  loaded_ = {};
  currencyNote_.clear();
  if (manager.IsShopOpen()) {
    try {
      loaded_ = LoadServerSettings(manager.Database());
      currencyNote_ = PayvaneCurrencyNote(manager.Database());
    } catch (const DbError& e) {
      ShowDbError(context_.prompter, e);
    }
  }
  web_->SetValues(loaded_.webServer);
  ftp_->SetValues(loaded_.ftpServer);
  ShowProtocolFields();
  payvane_->SetValues(loaded_.payvane);
  UpdateChecksum();
  ShowPayvaneState();
  setEnabled(manager.IsShopOpen());
}

void ServerPage::Activated() {
  // A certificate trusted on the publish page since: shown, and not overwritten by a
  // save of what was loaded before. Leaving the page asked about changes, so none are lost.
  if (!HasUnsavedChanges()) Load();
  if (tabs_->currentIndex() == kPayvaneTab) PayvaneTabShown();
}

void ServerPage::PayvaneTabShown() {
  if (asking_ || !lock_ || unlocked_ || !currencyNote_.empty()) {
    ShowPayvaneState();
    return;
  }
  asking_ = true;
  const bool hasPassword = lock_->HasPassword();
  unlocked_ = hasPassword ? context_.dialogs.EnterPayvanePassword(*lock_)
                          : context_.dialogs.ChangePayvanePassword(*lock_, false);
  refused_ = !unlocked_;
  asking_ = false;
  ShowPayvaneState();
}

void ServerPage::ShowPayvaneState() {
  const bool usable = currencyNote_.empty() && unlocked_;
  payvane_->SetEnabled(usable);
  checksum_->setEnabled(usable);
  changePassword_->setEnabled(usable);
  QString note;
  if (!currencyNote_.empty()) note = Q(currencyNote_);
  else if (refused_) note = Q(ProgramText(text::kPayvaneLockedByWrongPassword));
  note_->setText(note);
  note_->setVisible(!note.isEmpty());
}

void ServerPage::UpdateChecksum() {
  const auto text = [this](std::string_view field) { return U(qobject_cast<QLineEdit*>(payvane_->Editor(field))->text()); };
  checksum_->setText(Q(PayvaneKeyChecksum(text("RsaE"), text("RsaN"))));
}

void ServerPage::ChangePassword() {
  if (lock_) context_.dialogs.ChangePayvanePassword(*lock_, lock_->HasPassword());
}

bool ServerPage::HasUnsavedChanges() const {
  if (!context_.manager.IsShopOpen()) return false;
  return web_->Values() != loaded_.webServer || ftp_->Values() != loaded_.ftpServer ||
         payvane_->Values() != loaded_.payvane;
}

bool ServerPage::Save() {
  ShopManager& manager = context_.manager;
  if (!manager.IsShopOpen()) return true;
  const ServerValues values{web_->Values(), ftp_->Values(), payvane_->Values()};
  if (!SaveServerSettings(manager.Database(), values, unlocked_ && currencyNote_.empty(), context_.prompter))
    return false;
  Load();
  return true;
}

void ServerPage::Discard() { Load(); }

bool ServerPage::CanLeave() {
  if (!HasUnsavedChanges()) return true;
  return AskToSaveChanges(ProgramText(text::kSaveServerSettings), [this] { return Save(); }, [this] { Discard(); });
}

}  // namespace vendora
