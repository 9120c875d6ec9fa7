#pragma once
// Rows the program itself puts into a shop, and the values a settings table stands for
// while it has no row yet. The generator and the editing pages both take the defaults
// from here.
#include <cstdint>
#include <string_view>

#include "shopdb/database.h"
#include "shopdb/recordsets.h"

namespace vendora {

// The card-payment service's server that a new shop starts with.
inline constexpr std::string_view kDefaultPayvaneServer = "gateway.payvane.de";

// Default values of the settings rows (a fresh row as the settings pages create it).
CompanyRow DefaultCompany();
InterfacesRow DefaultInterfaces();
// DefTaxTypeID is 0 here: the tax sentinel's key is only known in a shop (see EnsureOptionsRow).
OptionsRow DefaultOptions();
// A new shop's web server: entry page "index.html", Perl at /usr/bin/perl, mail by
// /usr/sbin/sendmail; the addresses and folders are the merchant's to give.
WebServerRow DefaultWebServer();
PayvaneRow DefaultPayvane();
// The FTP settings a new shop starts with: the standard port, passive transfers (which
// pass the firewalls and routers of most merchants).
FtpServerRow DefaultFtpServer();

// The single row of a settings table, or its defaults while the table is empty.
template <class Row>
Row DefaultSettings();
template <> inline CompanyRow DefaultSettings<CompanyRow>() { return DefaultCompany(); }
template <> inline InterfacesRow DefaultSettings<InterfacesRow>() { return DefaultInterfaces(); }
template <> inline OptionsRow DefaultSettings<OptionsRow>() { return DefaultOptions(); }
template <> inline WebServerRow DefaultSettings<WebServerRow>() { return DefaultWebServer(); }
template <> inline PayvaneRow DefaultSettings<PayvaneRow>() { return DefaultPayvane(); }
template <> inline FtpServerRow DefaultSettings<FtpServerRow>() { return DefaultFtpServer(); }
template <> inline PasswordRow DefaultSettings<PasswordRow>() { return PasswordRow{}; }

template <class Row>
Row ReadSettingsRow(ShopDatabase& db) {
  RecordSet<Row> rs(db);
  rs.Open();
  if (rs.IsEOF()) return DefaultSettings<Row>();
  return *rs;
}

// The "ensure" functions add what is missing and never add twice. Engine errors are
// swallowed: the row in question is then simply not written.
void EnsureAttributeSentinels(ShopDatabase& db);  // " " kind, and a " " value per kind
void EnsureIndexSentinel(ShopDatabase& db);
// Returns the sentinel's key, or 0 when it could not be written.
int32_t EnsureTaxSentinel(ShopDatabase& db);
void EnsurePaymentMethods(ShopDatabase& db);  // "DE" and "CC", switched off
// Creates the Options row with its defaults when there is none. Its required and
// enforced DefTaxTypeID gets the tax sentinel's key (the "no tax type" choice).
void EnsureOptionsRow(ShopDatabase& db);
// All of the above, as the editing pages do when they show their lists.
void EnsureDefaultRows(ShopDatabase& db);

}  // namespace vendora
