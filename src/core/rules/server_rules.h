#pragma once
// What the server page does with the shop's WebServer, FtpServer and Payvane rows:
// the fields of its three tabs, the logon types, the Payvane tab's currency rule, and
// saving the three rows together.
#include <array>
#include <string>
#include <string_view>

#include "rules/settings_form.h"

namespace vendora {

class Prompter;
class ShopDatabase;

const SettingsForm& WebServerForm();
const SettingsForm& FtpServerForm();
const SettingsForm& PayvaneForm();

// The labels of FtpServer.ProxyType, in code order 0 to 8.
extern const std::array<std::string_view, 9> kLogonTypeLabels;
// The labels of FtpServer.Protocol: FTP, FTP over TLS, SFTP.
extern const std::array<std::string_view, 3> kProtocolLabels;
// Whether a field of the FTP tab means anything with the chosen protocol: the logon
// types, the firewall fields and passive mode are FTP's, the SSH port is SFTP's.
bool FtpFieldApplies(std::string_view field, int protocol);

struct ServerValues {
  FormValues webServer, ftpServer, payvane;
};

// The texts the three tabs show: the stored rows, or their defaults (port 1712,
// time-out 60 and the service's server for Payvane; port 21 and passive for FTP).
ServerValues LoadServerSettings(ShopDatabase& db);

// Checks all typed texts and writes the three rows in one transaction (Payvane only
// with `withPayvane`: a locked tab keeps what is stored). Refusals and database errors
// are shown through the prompter; false when nothing was written.
bool SaveServerSettings(ShopDatabase& db, const ServerValues& values, bool withPayvane, Prompter& prompter);

// The Payvane tab's note while its master currency is not served (20088), else empty.
std::string PayvaneCurrencyNote(ShopDatabase& db);

}  // namespace vendora
