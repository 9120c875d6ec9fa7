#include "app/demo_shop.h"

#include <array>
#include <cmath>
#include <tuple>
#include <system_error>
#include <vector>

#include "app/program_folder.h"
#include "app/program_identity.h"
#include "app/shop_paths.h"
#include "common/file_error_text.h"
#include "common/text_format.h"
#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "shopdb/default_rows.h"
#include "shopdb/olp_key_codec.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "shopdb/store_texts.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// Ends the making of a demo shop with a German reason.
struct DemoFailure {
  std::string reason;
};

// A simple picture: a diagonal blend between two colours with a lighter disc, enough
// to look like a product shot in a thumbnail and to give the codecs real work.
void DrawPicture(const fs::path& file, int width, int height, Rgb from, Rgb to, int seed) {
  CImageFile image;
  if (!image.CreateImpl(file.string(), FormatFromFileName(file.string())) || !image.Create(width, height, 24))
    throw DemoFailure{"Das Bild " + file.string() + " kann nicht angelegt werden."};
  CImageImpl& raster = *image.GetImpl();
  const double cx = width * (0.35 + 0.3 * ((seed * 37) % 10) / 10.0), cy = height * 0.5;
  const double radius = std::min(width, height) * 0.3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double t = (x + y) / static_cast<double>(width + height);
      double r = from.r + (to.r - from.r) * t, g = from.g + (to.g - from.g) * t, b = from.b + (to.b - from.b) * t;
      const double d = std::hypot(x - cx, y - cy);
      if (d < radius) {
        const double k = 0.55 * (1 - d / radius);
        r += (255 - r) * k;
        g += (255 - g) * k;
        b += (255 - b) * k;
      }
      raster.SetPixelRGB(x, y, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
    }
  }
  image.SetQuality(80);
  if (!image.Save(file.string()))
    throw DemoFailure{"Das Bild " + file.string() + " kann nicht geschrieben werden."};
}

// A labelled picture drawn by scripts/make_demo_pictures.sh, when the program's data
// holds it; otherwise the blend, so that a demo shop can always be made.
void PlacePicture(const std::string& shipped, const fs::path& file, int width, int height, Rgb from, Rgb to, int seed) {
  std::error_code ec;
  const fs::path source = DataFolder() / "DemoShop" / shipped;
  if (fs::is_regular_file(source, ec) && fs::copy_file(source, file, fs::copy_options::overwrite_existing, ec)) return;
  DrawPicture(file, width, height, from, to, seed);
}

constexpr std::array<Rgb, 8> kPalette = {{{46, 125, 50},
                                          {121, 85, 72},
                                          {2, 119, 189},
                                          {239, 108, 0},
                                          {106, 27, 154},
                                          {198, 40, 40},
                                          {0, 131, 143},
                                          {158, 157, 36}}};

struct CategorySeed {
  const char* name;
  const char* description;
  std::array<const char*, 6> products;
};

const std::array<CategorySeed, 6> kCategories = {{
    {"Gartenwerkzeug", "Spaten, Scheren und Harken für jeden Garten.\r\nGeprüfte Qualität aus Solingen.",
     {"Spaten \"Robust\"", "Rosenschere", "Laubrechen", "Handschaufel", "Heckenschere", "Grabegabel"}},
    {"Pflanzen & Samen", "Saatgut, Blumenzwiebeln und Jungpflanzen <B>aus eigener Anzucht</B>.",
     {"Tomatensamen 'Berner Rose'", "Tulpenzwiebeln (10 Stück)", "Lavendel im Topf", "Kräutermischung",
      "Erdbeerpflanzen", "Sonnenblumensamen"}},
    {"Gartenmöbel", "Bänke, Stühle und Tische aus Holz und Metall.",
     {"Gartenbank Eiche", "Klappstuhl", "Liegestuhl", "Bistrotisch", "Hängematte", "Sonnenschirm"}},
    {"Bewässerung", "Alles, damit Ihr Garten grün bleibt.",
     {"Gießkanne 10 l", "Gartenschlauch", "Rasensprenger", "Regentonne 300 l", "Tropfschlauch", "Schlauchwagen"}},
    {"Dekoration", "Schönes für Beet und Terrasse.",
     {"Windspiel", "Solarleuchte", "Vogelhaus", "Pflanzkübel Terrakotta", "Gartenzwerg", "Rankgitter"}},
    {"Grillzubehör", "Für gemütliche Abende im Garten.",
     {"Holzkohlegrill", "Grillzange", "Grillrost Edelstahl", "Anzündkamin", "Grillschürze", "Räucherchips"}},
}};

// Adds a row filled by `fill` and returns its key (0 for tables without one).
template <class Set, class Fill>
int32_t AddRow(Set& set, Fill&& fill) {
  set.AddNew();
  fill(set);
  set.Update();
  if constexpr (requires { set->ID; }) return set->ID;
  return 0;
}

struct DemoTaxes {
  int32_t full = 0, reduced = 0;
};

DemoTaxes AddTaxes(ShopDatabase& db) {
  EnsureTaxSentinel(db);
  CRecSetTaxesByType taxes(db);
  taxes.OpenForAppend();
  DemoTaxes t;
  t.full = AddRow(taxes, [](auto& r) {
    r->Type = "Voller Steuersatz";
    r->Rate = 19;
  });
  t.reduced = AddRow(taxes, [](auto& r) {
    r->Type = "Ermäßigter Steuersatz";
    r->Rate = 7;
  });
  return t;
}

// Company, options, interface, web server, FTP server and text blocks.
void AddSettings(ShopDatabase& db, const DemoShopOptions& options, const DemoTaxes& taxes) {
  CRecSetCompany company(db);
  company.OpenForAppend();
  AddRow(company, [](auto& c) {
    c->StoreName = "Gartenwelt Sonnenschein";
    c->Company = "Gartenwelt Sonnenschein GmbH";
    c->Address1 = "Lindenstraße 12";
    c->City = "Freiburg";
    c->ZIP = "79098";
    c->Country = "Deutschland";
    c->Phone1 = "0761 123456";
    c->Fax1 = "0761 123457";
    c->EmailInfo = "info@gartenwelt.example";
    c->EmailSupport = "hilfe@gartenwelt.example";
    c->EmailSales = "bestellung@gartenwelt.example";
    c->Description = "Alles für Ihren Garten: Werkzeug, Pflanzen, Möbel und mehr.";
    c->Keywords = "Garten, Werkzeug, Pflanzen, Gartenmöbel, Grill";
    c->LogoExt = "png";
    c->LogoUseall = true;
  });
  CRecSetOptions optionsSet(db);
  optionsSet.Open();
  optionsSet.Edit();
  optionsSet->MCurrency = "EUR";
  optionsSet->SCurrency = "USD";
  optionsSet->DoFactor = true;
  optionsSet->Factor = 1.08f;
  optionsSet->TaxType = 2;
  optionsSet->DefTaxTypeID = taxes.full;
  optionsSet->ShippingCalcType = 2;
  optionsSet->OfferDiscounts = 1;
  optionsSet->OfferGiftWrap = true;
  optionsSet->WrapCharge = 2.5f;
  optionsSet->OfferGiftMessage = true;
  optionsSet->MessageCharge = 1;
  optionsSet->MinAmount = 10;
  // German customers read "4,95 €"; a fax number is nothing a customer must have.
  optionsSet->UseDecComma = true;
  optionsSet->ReqFax = false;
  optionsSet.Update();

  CRecSetInterfaces ui(db);
  ui.OpenForAppend();
  AddRow(ui, [](auto& i) {
    *i = DefaultInterfaces();
    i->UseThumbnails = true;
    i->GenerateIndex = true;
    i->Quality = 2;
  });
  CRecSetWebServer web(db);
  web.OpenForAppend();
  AddRow(web, [&](auto& w) {
    w->HomeURL = options.serverUrl;
    w->StandAlone = true;
    w->StoreURL = options.serverUrl;
    w->FileName = "index.html";
    w->StorePath = options.serverRoot.string();
    w->ScriptURL = options.serverUrl + "cgi-bin/";
    w->ScriptExt = 0;
    w->PerlPath = "/usr/bin/perl";
    w->MailOption = 2;
    w->MailHost = "localhost";
  });
  CRecSetFtpServer ftp(db);
  ftp.OpenForAppend();
  AddRow(ftp, [](auto& f) {
    f->HostName = "localhost";
    f->HostPort = 2121;
    f->HostUser = "demo";
    f->HostPass = ScrambleSecret("demo");
    f->RemoteDir = "/htdocs/";
    f->RemoteScript = "/cgi-bin/";
    f->Passive = true;
  });
  CRecSetTextblocks blocks(db);
  blocks.OpenForAppend();
  AddRow(blocks, [](auto& b) {
    b->Welcome = "Willkommen in der Gartenwelt Sonnenschein!";
    b->Instructions = "Wählen Sie links eine Kategorie. Mit \"Jetzt kaufen!\" legen Sie einen Artikel in den "
                      "Warenkorb.";
    b->Policy = "Lieferung innerhalb von drei Werktagen.\r\nRückgabe innerhalb von 14 Tagen.";
    b->Thankyou = "Vielen Dank für Ihren Einkauf!";
    b->Privacy =
        "Verantwortlich für die Verarbeitung Ihrer Daten ist die Gartenwelt Sonnenschein. Wir verarbeiten Name, "
        "Anschrift, E-Mail-Adresse und Telefonnummer nur, um Ihre Bestellung auszuführen (Art. 6 Abs. 1 lit. b "
        "DSGVO), und geben sie nur an den Versanddienstleister weiter. Die Daten werden gelöscht, sobald die "
        "gesetzlichen Aufbewahrungsfristen abgelaufen sind.\r\nSie haben das Recht auf Auskunft, Berichtigung, "
        "Löschung, Einschränkung der Verarbeitung, Datenübertragbarkeit und Beschwerde bei einer "
        "Aufsichtsbehörde. Schreiben Sie uns dazu an info@gartenwelt.example.";
    b->Withdrawal =
        "Widerrufsrecht\r\nSie haben das Recht, binnen vierzehn Tagen ohne Angabe von Gründen diesen Vertrag zu "
        "widerrufen. Die Widerrufsfrist beträgt vierzehn Tage ab dem Tag, an dem Sie oder ein von Ihnen benannter "
        "Dritter, der nicht der Beförderer ist, die Waren in Besitz genommen haben. Um Ihr Widerrufsrecht "
        "auszuüben, müssen Sie uns (Gartenwelt Sonnenschein, info@gartenwelt.example) mittels einer eindeutigen "
        "Erklärung (zum Beispiel ein mit der Post versandter Brief oder eine E-Mail) über Ihren Entschluss, diesen "
        "Vertrag zu widerrufen, informieren.\r\nFolgen des Widerrufs\r\nWenn Sie diesen Vertrag widerrufen, haben "
        "wir Ihnen alle Zahlungen, die wir von Ihnen erhalten haben, einschließlich der Lieferkosten, unverzüglich "
        "und spätestens binnen vierzehn Tagen zurückzuzahlen.";
  });
}

// Payment, cards, shipping with charge tables, discounts, gift wraps.
void AddCommerce(ShopDatabase& db, const ShopPaths& paths) {
  CRecSetPayments payments(db);
  payments.Open();
  for (payments.MoveFirst(); !payments.IsEOF(); payments.MoveNext()) {
    payments.Edit();
    payments->Include = true;
    payments.Update();
  }
  AddRow(payments, [](auto& p) {
    p->Include = true;
    p->Name = "Vorkasse";
    p->Order = 2;
  });
  AddRow(payments, [](auto& p) {
    p->Include = true;
    p->Name = "Rechnung";
    p->Price = 1.5f;
    p->Order = 3;
  });
  CRecSetCreditCards cards(db);
  cards.OpenForAppend();
  int order = 0;
  for (const char* card : {"Visa", "Eurocard / Mastercard", "American Express"})
    AddRow(cards, [&](auto& c) {
      c->Name = card;
      c->Order = order++;
    });
  CRecSetShipping shipping(db);
  shipping.OpenForAppend();
  CRecSetShipCharges charges(db);
  charges.OpenForAppend();
  const std::array<std::pair<const char*, std::array<float, 6>>, 2> methods = {
      {{"DHL Paket", {0, 4.9f, 5, 6.9f, 20, 12.9f}}, {"Spedition", {0, 29, 50, 39, 200, 59}}}};
  order = 0;
  // No structured bindings below: clang before 16 cannot capture them in a lambda.
  for (const auto& entry : methods) {
    const char* const name = entry.first;
    const std::array<float, 6>& breaks = entry.second;
    const int32_t method = AddRow(shipping, [&](auto& s) {
      s->Name = name;
      s->Order = order++;
    });
    for (size_t i = 0; i < breaks.size(); i += 2)
      AddRow(charges, [&](auto& c) {
        c->Break = breaks[i];
        c->Charge = breaks[i + 1];
        c->ShippingID = method;
      });
  }
  CRecSetDiscount discounts(db);
  discounts.OpenForAppend();
  for (const auto& discount : {std::pair{100.0f, 3.0f}, std::pair{250.0f, 5.0f}})
    AddRow(discounts, [&](auto& d) {
      d->Break = discount.first;
      d->Discount = discount.second;
    });
  CRecSetGiftWraps wraps(db);
  wraps.OpenForAppend();
  order = 0;
  for (const char* name : {"Sommerblumen", "Klassisch Grün"}) {
    const int32_t wrap = AddRow(wraps, [&](auto& w) {
      w->Name = name;
      w->Ext = "png";
      w->Order = order++;
    });
    DrawPicture(paths.Subfolder(ShopSubfolder::Wraps) / Format("%d.png", wrap), 60, 60,
                kPalette[static_cast<size_t>(wrap) % kPalette.size()], {250, 240, 200}, wrap);
  }
}

// Two attribute kinds with their values; products without attributes name the sentinel
// kind and its blank value.
struct DemoAttributes {
  int32_t noKind = 0, noValue = 0;
  int32_t size = 0, colour = 0;
  std::vector<int32_t> sizes, colours;
};

DemoAttributes AddAttributes(ShopDatabase& db) {
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  kinds.FindFirst(Eq("Name", " "));
  const int32_t noKind = kinds->ID;
  CRecSetSubAttributes sentinelValues(db);
  sentinelValues.SetFilter(Eq("MainAttrID", noKind) && Eq("Name", " "));
  sentinelValues.Open();
  const int32_t noValue = sentinelValues->ID;
  kinds.OpenForAppend();
  CRecSetSubAttributes values(db);
  values.OpenForAppend();
  auto addKind = [&](const char* name, std::vector<const char*> valueNames) {
    const int32_t kind = AddRow(kinds, [&](auto& k) { k->Name = name; });
    AddRow(values, [&](auto& v) {
      v->Name = " ";
      v->MainAttrID = kind;
    });
    std::vector<int32_t> ids;
    for (const char* v : valueNames)
      ids.push_back(AddRow(values, [&](auto& s) {
        s->Name = v;
        s->MainAttrID = kind;
      }));
    return std::pair{kind, ids};
  };
  DemoAttributes a{noKind, noValue};
  std::tie(a.size, a.sizes) = addKind("Größe", {"Klein", "Mittel", "Groß"});
  std::tie(a.colour, a.colours) = addKind("Farbe", {"Grün", "Natur", "Anthrazit"});
  return a;
}

struct DemoGroups {
  std::vector<int32_t> indexIds, categoryIds;
  int32_t summer = 0, pro = 0;
};

// Index entries, product lines, categories, with their pictures and the logo.
DemoGroups AddGroups(ShopDatabase& db, const ShopPaths& paths) {
  CRecSetIndex index(db);
  index.OpenForAppend();
  DemoGroups g;
  for (const char* name : {"Werkzeug", "Pflanzen", "Möbel", "Wasser", "Deko", "Grillen"})
    g.indexIds.push_back(AddRow(index, [&](auto& i) { i->Name = name; }));
  CRecSetLines lines(db);
  lines.OpenForAppend();
  g.summer = AddRow(lines, [](auto& l) {
    l->Name = "Sommerangebote";
    l->Include = true;
    l->Description = "Unsere Empfehlungen für die warme Jahreszeit.";
  });
  g.pro = AddRow(lines, [](auto& l) {
    l->Name = "Für Profis";
    l->Order = 1;
    l->Include = true;
    l->Description = "Werkzeug und Zubehör für den täglichen Einsatz.";
  });

  CRecSetCategories categories(db);
  categories.OpenForAppend();
  for (size_t c = 0; c < kCategories.size(); ++c) {
    const int32_t id = AddRow(categories, [&](auto& k) {
      k->Name = kCategories[c].name;
      k->Description = kCategories[c].description;
      k->Order = static_cast<int32_t>(c);
    });
    g.categoryIds.push_back(id);
    const Rgb tint = kPalette[c % kPalette.size()];
    PlacePicture(Format("category-%d.png", static_cast<int>(c + 1)),
                 paths.Subfolder(ShopSubfolder::Cats) / Format("b%d.png", id), 140, 40, tint, {255, 255, 255},
                 static_cast<int>(c));
    PlacePicture(Format("heading-%d.jpg", static_cast<int>(c + 1)),
                 paths.Subfolder(ShopSubfolder::Cats) / Format("h%d.jpg", id), 480, 90, {255, 255, 255}, tint,
                 static_cast<int>(c));
  }
  int lineNumber = 0;
  for (int32_t line : {g.summer, g.pro}) {
    PlacePicture(Format("line-%d.png", ++lineNumber), paths.Subfolder(ShopSubfolder::Lines) / Format("b%d.png", line),
                 140, 40, {255, 193, 7}, {255, 255, 255}, line);
  }
  PlacePicture("logo.png", paths.Subfolder(ShopSubfolder::Imgs) / "logo.png", 200, 60, {46, 125, 50},
               {255, 235, 59}, 3);
  return g;
}

void AddProducts(ShopDatabase& db, const ShopPaths& paths, const DemoShopOptions& options, const DemoTaxes& taxes,
                 const DemoAttributes& a, const DemoGroups& g) {
  CRecSetProducts products(db);
  products.OpenForAppend();
  CRecSetItems items(db);
  items.OpenForAppend();
  CRecSetProdLines members(db);
  members.OpenForAppend();
  std::vector<fs::path> pictures;
  const int pictureCount = std::max(1, std::min(options.pictures, options.products));
  for (int p = 0; p < options.products; ++p) {
    const size_t c = static_cast<size_t>(p) % kCategories.size();
    const size_t inCategory = static_cast<size_t>(p) / kCategories.size();
    const CategorySeed& seed = kCategories[c];
    std::string name = seed.products[inCategory % seed.products.size()];
    if (inCategory >= seed.products.size()) name += Format(" Nr. %d", static_cast<int>(inCategory + 1));
    const bool withAttributes = p % 3 != 2;
    const int32_t product = AddRow(products, [&](auto& r) {
      r->Name = name;
      r->CategoryID = g.categoryIds[c];
      r->Order = static_cast<int32_t>(inCategory);
      r->TaxID = c == 1 ? taxes.reduced : taxes.full;
      r->IndexID = g.indexIds[c];
      r->ShortDesc = "Bewährte Qualität für Haus und Garten.";
      r->LongDesc = "Ein Klassiker aus unserem Sortiment.\r\nLanglebig, pflegeleicht und sofort lieferbar.";
      r->AttributeID1 = withAttributes ? a.size : a.noKind;
      r->AttributeID2 = withAttributes ? a.colour : a.noKind;
      r->Available = p % 17 != 16;  // a few products are withheld
    });
    for (int i = 0; i < 3; ++i) {
      AddRow(items, [&](auto& it) {
        it->ProductID = product;
        it->Order = i;
        it->ItemNumber = Format("GW-%05d-%d", product, i + 1);
        it->SubAttrID1 = withAttributes ? a.sizes[static_cast<size_t>(i)] : a.noValue;
        it->SubAttrID2 = withAttributes ? a.colours[static_cast<size_t>((i + p) % 3)] : a.noValue;
        it->Weight = 0.5f + static_cast<float>(i) * 0.75f;
        it->MPrice = 4.95f + static_cast<float>((p * 7 + i * 3) % 60) + 0.5f * static_cast<float>(i);
        it->SPrice = std::round(it->MPrice * 1.08f * 100) / 100;
        it->Available = true;
      });
    }
    if (p % 4 == 0)
      AddRow(members, [&](auto& m) {
        m->Name = name.substr(0, 64);
        m->LineID = c == 0 ? g.pro : g.summer;
        m->ProductID = product;
        m->Order = p;
      });
    const fs::path picture = paths.Subfolder(ShopSubfolder::Prods) / Format("%d.jpg", product);
    if (static_cast<int>(pictures.size()) < pictureCount) {
      DrawPicture(picture, 320, 240, kPalette[static_cast<size_t>(p) % kPalette.size()],
                  kPalette[static_cast<size_t>(p + 3) % kPalette.size()], p);
      pictures.push_back(picture);
    } else {
      std::error_code ec;
      fs::create_hard_link(pictures[static_cast<size_t>(p) % pictures.size()], picture, ec);
      if (ec) fs::copy_file(pictures[static_cast<size_t>(p) % pictures.size()], picture);
    }
  }
}

}  // namespace

Result<fs::path> CreateDemoShop(const fs::path& folder, const DemoShopOptions& options) {
  try {
    const fs::path database = folder / "Demoshop.mdb";
    fs::create_directories(folder);
    std::error_code ec;
    for (const char* suffix : {"", "-journal"}) fs::remove(database.string() + suffix, ec);
    const ShopPaths paths = DeriveShopPaths(database);
    if (!CreateShopFolders(paths))
      return Status::Error("Die Shop-Ordner in " + folder.string() + " können nicht angelegt werden.");

    const ProgramIdentity identity = CompiledProgramIdentity().value();
    ShopDatabase db;
    db.OpenOrCreate(database);
    if (!CreateShopSchema(db, identity.versionNumber).ok)
      return Status::Error("Die Shop-Datenbank " + database.string() + " kann nicht angelegt werden.");
    EnsureDefaultRows(db);
    RefreshStoreTexts(db);

    TransactionScope tx(db);
    const DemoTaxes taxes = AddTaxes(db);
    AddSettings(db, options, taxes);
    AddCommerce(db, paths);
    const DemoAttributes attributes = AddAttributes(db);
    const DemoGroups groups = AddGroups(db, paths);
    AddProducts(db, paths, options, taxes, attributes, groups);
    tx.Commit();
    return database;
  } catch (const DemoFailure& failure) {
    return Status::Error(failure.reason);
  } catch (const fs::filesystem_error& e) {
    return Status::Error(FileErrorText(e));
  }
}

}  // namespace vendora
