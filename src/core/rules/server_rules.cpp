#include "rules/server_rules.h"

#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/server_checks.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"

namespace vendora {

const std::array<std::string_view, 9> kLogonTypeLabels = {
    "Keine",
    "SITE Hostname",
    "USER after logon",
    "Proxy OPEN",
    "Transparent",
    "USER with no logon",
    "USER FirewallID@remotehost",
    "USER RemoveID@removehost fire ID",
    "USER RemoteID@firewallID@removehost",
};

const std::array<std::string_view, 3> kProtocolLabels = {
    "FTP",
    "FTP über TLS (FTPS)",
    "SFTP (SSH)",
};

bool FtpFieldApplies(std::string_view field, int protocol) {
  const bool sftp = protocol == kProtocolSftp;
  if (field == "SftpPort") return sftp;
  static constexpr std::string_view kFtpOnly[] = {"HostPort",  "HostAcct",  "ProxyType", "ProxyName",     "ProxyPort",
                                                  "ProxyUser", "ProxyPass", "ProxyAcct", "Passive", "TlsFingerprint"};
  for (std::string_view f : kFtpOnly)
    if (f == field) return !sftp;
  return true;
}

const SettingsForm& WebServerForm() {
  static const SettingsForm form{
      "WebServer",
      {
          {"HomeURL", "&Homepage-URL:"},
          {"StandAlone", " &Eigenständiger Shop (der Shop-Eingang ist die Homepage) ", FieldKind::Switch},
          {"StoreURL", "URL des Shop-Ein&gangs:"},
          {"ExitToTopFrame", " Beim Verlassen des Shops alle &Frames schließen ", FieldKind::Switch},
          {"FileName", "&Dateiname der Eingangsseite:"},
          {"StorePath", "Absoluter Shop-Pf&ad:"},
          {"ScriptURL", "Absolute S&cript-URL:"},
          {"ScriptExt", "Script-E&ndung:", FieldKind::Choice, {".cgi", ".pl"}},
          {"PerlPath", "Pe&rl-Pfad:"},
          {"MailOption",
           "&Bestellungen per E-Mail:",
           FieldKind::Choice,
           {"mit dem E-Mail-Programm des Kunden (mailto)", "über ein Mail-Programm des Servers",
            "über einen SMTP-Server"}},
          {"MailExec", "&Mail-Programm:"},
          {"MailHost", "SMTP-Hos&t:"},
      }};
  return form;
}

const SettingsForm& FtpServerForm() {
  static const SettingsForm form{
      "FtpServer",
      {
          {"HostName", "FTP-&Host:"},
          {"HostPort", "P&ort:", FieldKind::Number},
          {"HostUser", "&Benutzername:"},
          {"HostPass", "&Kennwort:", FieldKind::Password},
          {"HostAcct", "&Account:"},
          {"ProxyType", "&Firewall/Proxy:", FieldKind::Choice,
           std::vector<std::string_view>(kLogonTypeLabels.begin(), kLogonTypeLabels.end())},
          {"ProxyName", "Firewal&l-Host:"},
          {"ProxyPort", "Firewall-Po&rt:", FieldKind::Number},
          {"ProxyUser", "Firewall-Ben&utzer:"},
          {"ProxyPass", "Firewall-Kenn&wort:", FieldKind::Password},
          {"ProxyAcct", "Firewall-Accou&nt:"},
          {"RemoteDir", "Shop-&Verzeichnis auf dem Server:"},
          {"RemoteScript", "S&cript-Verzeichnis auf dem Server:"},
          {"Passive", " Pass&ive Übertragung (PASV) ", FieldKind::Switch},
          // The order of the labels is that of FtpServer.Protocol.
          {"Protocol", "Übertra&gung:", FieldKind::Choice,
           std::vector<std::string_view>(kProtocolLabels.begin(), kProtocolLabels.end())},
          {"SftpPort", "SSH-Por&t:", FieldKind::Number},
          // Set by the merchant's answer when a publish met an unverified certificate;
          // the page only shows it and lets it be forgotten.
          {"TlsFingerprint", "Vertrautes &Zertifikat:", FieldKind::Fingerprint},
      }};
  return form;
}

const SettingsForm& PayvaneForm() {
  static const SettingsForm form{
      "Payvane",
      {
          {"Use", " Tolm! Payvane &verwenden ", FieldKind::Switch},
          {"Server", "Se&rver:"},
          {"Port", "P&ort:", FieldKind::Number},
          {"TimeOut", "&TimeOut (Sekunden):", FieldKind::Number},
          {"HID", "&Benutzerkennung:", FieldKind::Number},
          {"RsaE", "&Erster Schlüssel:", FieldKind::HexKey},
          {"RsaN", "&Zweiter Schlüssel:", FieldKind::HexKey},
          {"Price", "&Gebühr:", FieldKind::Decimal},
          {"OlpType", "&Kontotyp:", FieldKind::Number},
          {"TxType", "Tr&ansaktionsart:", FieldKind::Choice, {"Nachricht 200", "Nachricht 210"}},
      }};
  return form;
}

ServerValues LoadServerSettings(ShopDatabase& db) {
  return {ShowRow(WebServerForm(), ReadSettingsRow<WebServerRow>(db)),
          ShowRow(FtpServerForm(), ReadSettingsRow<FtpServerRow>(db)),
          ShowRow(PayvaneForm(), ReadSettingsRow<PayvaneRow>(db))};
}

bool SaveServerSettings(ShopDatabase& db, const ServerValues& values, bool withPayvane, Prompter& prompter) {
  try {
    WebServerRow web = ReadSettingsRow<WebServerRow>(db);
    FtpServerRow ftp = ReadSettingsRow<FtpServerRow>(db);
    PayvaneRow payvane = ReadSettingsRow<PayvaneRow>(db);
    if (!TakeRow(WebServerForm(), values.webServer, web, prompter) ||
        !TakeRow(FtpServerForm(), values.ftpServer, ftp, prompter) ||
        (withPayvane && !TakeRow(PayvaneForm(), values.payvane, payvane, prompter)))
      return false;
    TransactionScope transaction(db);
    CRecSetWebServer webSet(db);
    WriteSettingsRow(webSet, web);
    CRecSetFtpServer ftpSet(db);
    WriteSettingsRow(ftpSet, ftp);
    if (withPayvane) {
      CRecSetPayvane payvaneSet(db);
      WriteSettingsRow(payvaneSet, payvane);
    }
    transaction.Commit();
    return true;
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
}

std::string PayvaneCurrencyNote(ShopDatabase& db) {
  if (IsPayvaneCurrency(ReadSettingsRow<OptionsRow>(db).MCurrency)) return std::string();
  return std::string(ProgramText(text::kPayvaneCurrencyUnsupported));
}

}  // namespace vendora
