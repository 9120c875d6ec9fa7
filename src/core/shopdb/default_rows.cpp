#include "shopdb/default_rows.h"

#include "common/program_text.h"
#include "shopdb/db_error.h"

namespace vendora {

CompanyRow DefaultCompany() { return CompanyRow{}; }

InterfacesRow DefaultInterfaces() {
  InterfacesRow r;
  r.GSet = "Senator";
  r.UseDefaultFonts = r.MenuTop = r.MenuBottom = r.IndexSort = r.GenerateDetails = true;
  r.CatHorizontal = r.CatExtraSpacing = r.LinesHorizontal = r.LinesExtraSpacing = true;
  r.CatHorzWrapOn = 2;
  r.LinesHorzWrapOn = 2;
  r.Quality = 30;
  return r;
}

OptionsRow DefaultOptions() {
  OptionsRow r;
  r.ReqPhone = r.ReqFax = r.ReqEmail = r.ElectronicSubmit = r.PrintMail = r.PrintFax = r.ReqCountry = true;
  r.MCurrency = "DEM";
  return r;
}

WebServerRow DefaultWebServer() {
  WebServerRow r;
  // What a Linux web host has: Debian's Perl, the usual entry page and sendmail, so a
  // new shop needs only its addresses and folders before it generates.
  r.FileName = "index.html";
  r.PerlPath = "/usr/bin/perl";
  r.MailOption = 1;
  r.MailExec = "/usr/sbin/sendmail";
  return r;
}

PayvaneRow DefaultPayvane() {
  PayvaneRow r;
  r.Port = 1712;
  r.TimeOut = 60;
  r.Server = std::string(kDefaultPayvaneServer);
  return r;
}

FtpServerRow DefaultFtpServer() {
  FtpServerRow r;
  r.HostPort = 21;
  r.ProxyPort = 21;
  r.Passive = true;
  return r;
}

namespace {

template <class F>
void Swallow(F&& f) {
  try {
    f();
  } catch (const DbError&) {
    // The row is simply not written; the next showing of the list tries again.
  }
}

}  // namespace

void EnsureAttributeSentinels(ShopDatabase& db) {
  Swallow([&] {
    CRecSetMainAttributes kinds(db);
    kinds.Open();
    if (!kinds.FindFirst(Eq("Name", " "))) {
      kinds.AddNew();
      kinds->Name = " ";
      kinds.Update();
    }
    CRecSetSubAttributes values(db);
    values.SetFilter(Eq("Name", " "));
    values.Open();
    for (kinds.MoveFirst(); !kinds.IsEOF(); kinds.MoveNext()) {
      int32_t kind = kinds->ID;
      Swallow([&] {
        if (values.FindFirst(Eq("MainAttrID", kind))) return;
        values.AddNew();
        values->Name = " ";
        values->MainAttrID = kind;
        values.Update();
      });
    }
  });
}

void EnsureIndexSentinel(ShopDatabase& db) {
  Swallow([&] {
    CRecSetIndex index(db);
    index.Open();
    if (index.FindFirst(Eq("Name", " "))) return;
    index.AddNew();
    index->Name = " ";
    index.Update();
  });
}

int32_t EnsureTaxSentinel(ShopDatabase& db) {
  int32_t id = 0;
  Swallow([&] {
    CRecSetTaxesByType taxes(db);
    taxes.Open();
    if (!taxes.FindFirst(Eq("Type", " "))) {
      taxes.AddNew();
      taxes->Type = " ";
      taxes->Rate = 0;
      taxes.Update();
    }
    id = taxes->ID;
  });
  return id;
}

void EnsurePaymentMethods(ShopDatabase& db) {
  Swallow([&] {
    CRecSetPayments payments(db);
    payments.Open();
    auto ensure = [&](std::string_view code, std::string_view name, int32_t order) {
      Swallow([&] {
        if (payments.FindFirst(Eq("Code", code))) return;
        payments.AddNew();
        payments->Include = false;
        payments->Price = 0;
        payments->Order = order;
        payments->Name = std::string(name);
        payments->Code = std::string(code);
        payments.Update();
      });
    };
    ensure("DE", texts::kPaymentDirectDebit, 0);
    ensure("CC", texts::kPaymentCreditCard, 1);
  });
}

void EnsureOptionsRow(ShopDatabase& db) {
  Swallow([&] {
    CRecSetOptions options(db);
    options.Open();
    if (!options.IsEOF()) return;
    int32_t taxSentinel = EnsureTaxSentinel(db);
    if (taxSentinel == 0) return;
    options.AddNew();
    *options = DefaultOptions();
    options->DefTaxTypeID = taxSentinel;
    options.Update();
  });
}

void EnsureDefaultRows(ShopDatabase& db) {
  TransactionScope tx(db);
  EnsureAttributeSentinels(db);
  EnsureIndexSentinel(db);
  EnsureTaxSentinel(db);
  EnsurePaymentMethods(db);
  EnsureOptionsRow(db);
  tx.Commit();
}

}  // namespace vendora
