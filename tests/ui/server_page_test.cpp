// The server page: every field of the three tabs through the database, the logon
// types, masked and scrambled passwords, the Payvane tab's currency rule, password
// lock and key checksum.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "controls/form_controls.h"
#include "pages/server_page.h"
#include "password_dialogs.h"
#include "publish/upload_driver.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

QLineEdit* Line(FormControls& form, const char* field) { return qobject_cast<QLineEdit*>(form.Editor(field)); }
QComboBox* Combo(FormControls& form, const char* field) { return qobject_cast<QComboBox*>(form.Editor(field)); }

void SetMasterCurrency(ShopDatabase& db, const std::string& code) {
  EnsureOptionsRow(db);
  CRecSetOptions options(db);
  options.Open();
  options.Edit();
  options->MCurrency = code;
  options.Update();
}

std::string StoredPassword(ShopDatabase& db) { return ReadSettingsRow<PasswordRow>(db).Password; }

TEST(ServerPage, EveryFieldRoundTripsWithinWidthAndType) {
  DesktopFixture f;
  f.AddShop("Laden");
  SetMasterCurrency(f.Db(), "EUR");
  MainWindow& w = f.Window();
  ServerPage* page = w.Server();
  page->ShopChanged();
  FormControls& web = page->WebServerFields();
  FormControls& ftp = page->FtpServerFields();
  FormControls& pv = page->PayvaneFields();

  // The widths of the text fields and the passwords, which are kept as two hex digits a byte.
  const std::tuple<FormControls*, const char*, int> widths[] = {
      {&web, "HomeURL", 255},   {&web, "StoreURL", 255},   {&web, "FileName", 255},  {&web, "StorePath", 255},
      {&web, "ScriptURL", 255}, {&web, "PerlPath", 255},   {&web, "MailExec", 255},  {&web, "MailHost", 255},
      {&ftp, "HostName", 255},  {&ftp, "HostUser", 32},    {&ftp, "HostPass", 16},   {&ftp, "HostAcct", 32},
      {&ftp, "ProxyName", 255}, {&ftp, "ProxyUser", 32},   {&ftp, "ProxyPass", 16},  {&ftp, "ProxyAcct", 32},
      {&ftp, "RemoteDir", 255}, {&ftp, "RemoteScript", 255}, {&pv, "Server", 255}};
  for (const auto& [form, field, width] : widths) {
    Line(*form, field)->setText(QString(300, QLatin1Char('x')));
    EXPECT_EQ(Line(*form, field)->text().size(), width) << field;
  }
  EXPECT_EQ(Line(ftp, "HostPass")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Line(ftp, "ProxyPass")->echoMode(), QLineEdit::Password);

  const QStringList logonTypes = {"Keine",
                                  "SITE Hostname",
                                  "USER after logon",
                                  "Proxy OPEN",
                                  "Transparent",
                                  "USER with no logon",
                                  "USER FirewallID@remotehost",
                                  "USER RemoveID@removehost fire ID",
                                  "USER RemoteID@firewallID@removehost"};
  ASSERT_EQ(Combo(ftp, "ProxyType")->count(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(Combo(ftp, "ProxyType")->itemText(i), logonTypes[i]);

  // What the merchant types on each tab, and what the shop database then holds.
  struct Entry {
    FormControls* form;
    const char *field, *typed, *stored;
  };
  const Entry entries[] = {
      {&web, "HomeURL", "https://www.gartenwelt.example/", "https://www.gartenwelt.example/"},
      {&web, "StandAlone", "1", "1"},
      {&web, "StoreURL", "", ""},
      {&web, "ExitToTopFrame", "1", "1"},
      {&web, "FileName", "shop.html", "shop.html"},
      {&web, "StorePath", "/var/www/shop/", "/var/www/shop/"},
      {&web, "ScriptURL", "https://www.gartenwelt.example/cgi-bin/", "https://www.gartenwelt.example/cgi-bin/"},
      {&web, "ScriptExt", "1", "1"},
      {&web, "PerlPath", "", " "},  // required: the blank that means "none"
      {&web, "MailOption", "2", "2"},
      {&web, "MailExec", "/usr/sbin/sendmail", "/usr/sbin/sendmail"},
      {&web, "MailHost", "mail.gartenwelt.example", "mail.gartenwelt.example"},
      {&ftp, "HostName", "ftp.gartenwelt.example", "ftp.gartenwelt.example"},
      {&ftp, "HostPort", "2121", "2121"},
      {&ftp, "HostUser", "krause", "krause"},
      {&ftp, "HostPass", "geheim", "350E3C14043A"},  // XOR with "RkTqmW", as hex pairs
      {&ftp, "HostAcct", "konto", "konto"},
      {&ftp, "ProxyType", "8", "8"},
      {&ftp, "ProxyName", "fw.example", "fw.example"},
      {&ftp, "ProxyPort", "8021", "8021"},
      {&ftp, "ProxyUser", "fwuser", "fwuser"},
      {&ftp, "ProxyPass", "Fire!wall", "140226144C201B240E"},
      {&ftp, "ProxyAcct", "", ""},
      {&ftp, "RemoteDir", "/www/shop/", "/www/shop/"},
      {&ftp, "RemoteScript", "/www/cgi-bin/", "/www/cgi-bin/"},
      {&ftp, "Passive", "0", "0"},
      {&ftp, "Protocol", "1", "1"},
      {&ftp, "SftpPort", "2222", "2222"},
      {&pv, "Use", "1", "1"},
      {&pv, "Server", "gateway.example", "gateway.example"},
      {&pv, "Port", "1713", "1713"},
      {&pv, "TimeOut", "45", "45"},
      {&pv, "HID", "4711", "4711"},
      {&pv, "RsaE", "010001", "536B55"},  // the bytes 01 00 01 XOR "RkT"
      {&pv, "RsaN", "c0ffee", "9294BA"},  // upper-cased first
      {&pv, "Price", "0,35", "0.35"},
      {&pv, "OlpType", "2", "2"},
      {&pv, "TxType", "1", "1"},
  };

  // The Payvane tab: no password yet, so opening it sets one.
  f.dialogs.passwordChanges.push_back({{"", "geheim", "geheim"}});
  ASSERT_TRUE(w.RunCommand(40));
  ASSERT_TRUE(page->PayvaneUnlocked());
  EXPECT_EQ(StoredPassword(f.Db()), "2Z4M2VxPdUE");
  for (const Entry& e : entries) Type(*e.form, e.field, e.typed);
  // zlib.crc32(b"010001c0ffee") ^ 0xFFFFFFFF, the keys as typed.
  EXPECT_EQ(page->KeyChecksum()->text(), "ECF8F433");
  EXPECT_EQ(page->KeyChecksum()->toolTip(), "Prüfsumme der beiden Schlüssel.");
  Screenshot(&w, "page5_server_payvane");

  ASSERT_TRUE(page->Save());
  EXPECT_TRUE(f.prompter.Texts().empty());
  const WebServerRow ws = ReadSettingsRow<WebServerRow>(f.Db());
  const FtpServerRow fs = ReadSettingsRow<FtpServerRow>(f.Db());
  const PayvaneRow pr = ReadSettingsRow<PayvaneRow>(f.Db());
  for (const Entry& e : entries) {
    const std::string stored = e.form == &web ? Stored(ws, e.field) : e.form == &ftp ? Stored(fs, e.field) : Stored(pr, e.field);
    EXPECT_EQ(stored, e.stored) << e.field;
  }

  // Read back into the page: the same texts, the keys in upper case, nothing changed.
  page->ShopChanged();
  EXPECT_EQ(Line(ftp, "HostPass")->text(), "geheim");
  EXPECT_EQ(Line(ftp, "ProxyPass")->text(), "Fire!wall");
  EXPECT_EQ(Line(pv, "RsaE")->text(), "010001");
  EXPECT_EQ(Line(pv, "RsaN")->text(), "C0FFEE");
  EXPECT_EQ(Line(pv, "Price")->text(), "0.35");
  EXPECT_EQ(Combo(ftp, "ProxyType")->currentIndex(), 8);
  EXPECT_FALSE(page->HasUnsavedChanges());
}

// The certificate trusted for FTPS: shown read-only, forgotten on request, and one
// trusted on the publish page meanwhile is shown, not saved over.
TEST(ServerPage, TrustedCertificateIsShownForgottenAndNotSavedOver) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  ServerPage* page = w.Server();
  ASSERT_TRUE(w.RunCommand(31));
  ASSERT_TRUE(page->Save());  // the FTP settings a publish needs
  EXPECT_FALSE(page->ForgetCertificateButton()->isEnabled()) << "nothing to forget";
  ASSERT_TRUE(w.RunCommand(32));
  const std::string digits = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";
  ASSERT_TRUE(TrustCertificate(f.Db(), digits));
  ASSERT_TRUE(w.RunCommand(31));
  EXPECT_EQ(page->TrustedFingerprint()->text(),
            "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF");
  EXPECT_TRUE(page->TrustedFingerprint()->isReadOnly());
  Screenshot(&w, "page5_server_ftp_tls");
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(f.Db()).TlsFingerprint, digits);
  page->ForgetCertificateButton()->click();
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(f.Db()).TlsFingerprint, "");
  EXPECT_FALSE(page->ForgetCertificateButton()->isEnabled());
}

// SSH goes straight to the host: the logon types, the firewall, passive mode and the
// FTP port are greyed out for SFTP, the SSH port for FTP; the values stay.
TEST(ServerPage, SftpGreysOutWhatOnlyFtpUses) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  ServerPage* page = w.Server();
  ASSERT_TRUE(w.RunCommand(31));
  FormControls& ftp = page->FtpServerFields();
  QComboBox* protocol = Combo(ftp, "Protocol");
  ASSERT_EQ(protocol->count(), 3);
  EXPECT_EQ(protocol->itemText(0), "FTP");
  EXPECT_EQ(protocol->itemText(1), "FTP über TLS (FTPS)");
  EXPECT_EQ(protocol->itemText(2), "SFTP (SSH)");
  EXPECT_EQ(protocol->currentIndex(), 0);
  EXPECT_FALSE(ftp.Editor("SftpPort")->isEnabled());
  const char* ftpOnly[] = {"HostPort", "HostAcct", "ProxyType", "ProxyName", "ProxyPort",
                           "ProxyUser", "ProxyPass", "ProxyAcct", "Passive"};
  protocol->setCurrentIndex(2);
  for (const char* field : ftpOnly) EXPECT_FALSE(ftp.Editor(field)->isEnabled()) << field;
  for (const char* field : {"HostName", "HostUser", "HostPass", "SftpPort", "RemoteDir", "RemoteScript"})
    EXPECT_TRUE(ftp.Editor(field)->isEnabled()) << field;
  EXPECT_EQ(Line(ftp, "SftpPort")->text(), "22");
  Screenshot(&w, "page5_server_sftp");
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(f.Db()).Protocol, 2);
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(f.Db()).HostPort, 21);
  protocol->setCurrentIndex(1);
  for (const char* field : ftpOnly) EXPECT_TRUE(ftp.Editor(field)->isEnabled()) << field;
  EXPECT_FALSE(ftp.Editor("SftpPort")->isEnabled());
}

TEST(ServerPage, PayvaneTabFollowsCurrencyAndPassword) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  ServerPage* page = w.Server();

  // A master currency the service does not take: no password asked, all disabled.
  SetMasterCurrency(f.Db(), "JPY");
  page->ShopChanged();
  ASSERT_TRUE(w.RunCommand(40));
  EXPECT_EQ(f.dialogs.changeDialogs + f.dialogs.entryDialogs, 0);
  EXPECT_FALSE(page->PayvaneFields().Editor("Server")->isEnabled());
  EXPECT_EQ(U(page->PayvaneNote()->text()),
            "Die von Ihnen gewählte Hauptwährung steht unter Payvane nicht zur Verfügung. Daher sind die Optionen "
            "deaktiviert.");

  // With a password set, a wrong entry and Cancel keep the tab locked and say why.
  ASSERT_TRUE(w.RunCommand(30));
  SetMasterCurrency(f.Db(), "eur");
  {
    CRecSetPassword set(f.Db());
    PasswordRow row;
    row.Password = "2Z4M2VxPdUE";  // "geheim"
    WriteSettingsRow(set, row);
  }
  page->ShopChanged();
  f.dialogs.passwordEntries.push_back({"falsch"});
  ASSERT_TRUE(w.RunCommand(40));
  EXPECT_EQ(f.dialogs.entryDialogs, 1);
  EXPECT_EQ(f.prompter.Texts(),
            std::vector<std::string>{"Das angegebene Kennwort war falsch. Bitte versuchen Sie es erneut!"});
  EXPECT_FALSE(page->PayvaneFields().Editor("Server")->isEnabled());
  EXPECT_EQ(U(page->PayvaneNote()->text()), "Aufgrund der falschen Kennwortangabe sind alle Payvane-Optionen deaktiviert!");

  // Opening the tab again asks again; the right password unlocks it for as long as the shop is open.
  ASSERT_TRUE(w.RunCommand(31));
  f.dialogs.passwordEntries.push_back({"falsch", "geheim"});
  ASSERT_TRUE(w.RunCommand(40));
  EXPECT_TRUE(page->PayvaneFields().Editor("Server")->isEnabled());
  EXPECT_TRUE(page->PayvaneNote()->text().isEmpty());
  ASSERT_TRUE(w.RunCommand(30));
  ASSERT_TRUE(w.RunCommand(40));
  EXPECT_EQ(f.dialogs.entryDialogs, 2);
}

TEST(PasswordDialogs, MessagesAndEntriesFollowTheLock) {
  DesktopFixture f;
  f.AddShop("Laden");
  PayvaneLock lock(f.Db(), f.prompter);
  struct Step {
    bool hasPassword;
    const char *oldEntry, *newEntry, *confirmation;
    const char* message;  // nullptr: the new password is stored and the dialog ends
    const char* kept;     // the entries left filled: o(ld), n(ew), c(onfirmation)
  };
  const Step steps[] = {
      {false, "", "", "", "Sie müssen ein Kennwort angeben. Leere Kennwörter sind nicht erlaubt!", ""},
      {false, "", "geheim", "geheim2",
       "Die beiden neuen Kennwort stimmen nicht überein. Bitte versuchen Sie es noch einmal!", ""},
      {false, "", "geheim", "geheim", nullptr, "nc"},
      {true, "falsch", "neu12345", "neu12345", "Das angegebene Kennwort war falsch. \nBitte versuchen Sie es erneut!", ""},
      {true, "geheim", "geheim", "geheim",
       "Das alte und das neue Kennwort sind nicht unterschiedlich.\nBitte wählen Sie ein anderes Kennwort!", "onc"},
      {true, "geheim", "neu12345", "neu12345", nullptr, "onc"},
  };
  for (const Step& s : steps) {
    PasswordChangeDialog dialog(lock, s.hasPassword);
    EXPECT_EQ(dialog.windowTitle(), "Kennwort ändern");
    EXPECT_EQ(dialog.OldEdit()->isEnabled(), s.hasPassword) << "no old password to give without one";
    dialog.OldEdit()->setText(s.oldEntry);
    dialog.NewEdit()->setText(s.newEntry);
    dialog.ConfirmEdit()->setText(s.confirmation);
    f.prompter.Clear();
    dialog.accept();
    const std::vector<std::string> said = s.message ? std::vector<std::string>{s.message} : std::vector<std::string>{};
    EXPECT_EQ(f.prompter.Texts(), said) << s.newEntry;
    EXPECT_EQ(dialog.result() == QDialog::Accepted, s.message == nullptr) << s.newEntry;
    const std::string kept = s.kept;
    EXPECT_EQ(dialog.NewEdit()->text().isEmpty(), kept.find('n') == std::string::npos || !*s.newEntry) << s.newEntry;
    EXPECT_EQ(dialog.ConfirmEdit()->text().isEmpty(), kept.find('c') == std::string::npos || !*s.confirmation);
    EXPECT_EQ(dialog.OldEdit()->text().isEmpty(), kept.find('o') == std::string::npos || !*s.oldEntry);
  }
  EXPECT_EQ(StoredPassword(f.Db()), "LAFNpkO9GuE");  // crypt("neu12345", "wK") without the salt

  PasswordEntryDialog entry(lock);
  EXPECT_EQ(entry.windowTitle(), "Kennwort eingeben");
  f.prompter.Clear();
  entry.PasswordEdit()->setText("geheim");
  entry.accept();
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Das angegebene Kennwort war falsch. Bitte versuchen Sie es erneut!"});
  EXPECT_TRUE(entry.PasswordEdit()->text().isEmpty());
  EXPECT_NE(entry.result(), QDialog::Accepted);
  entry.PasswordEdit()->setText("neu12345");
  entry.accept();
  EXPECT_EQ(entry.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace vendora::test
