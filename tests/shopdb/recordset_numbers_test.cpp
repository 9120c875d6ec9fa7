#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

// Numbers that another program wrote into a shop file read back exactly, or are
// refused as a database error; never cut to some other number.
TEST(RecordSetNumbers, ValuesBeyondTheFieldTypeAreRefusedNotCut) {
  test::TempDir dir;
  test::CreateShopFile(dir / "shop.mdb");
  ShopDatabase db;
  db.Open(dir / "shop.mdb");

  struct Case {
    const char* stored;
    std::optional<double> read;  // nullopt: refused
  };
  // Categories.Order is a Long.
  const Case longs[] = {
      {"2147483647", 2147483647.0}, {"-2147483648", -2147483648.0}, {"12.0", 12.0},
      {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},  {"4294967297", std::nullopt},
      {"12.5", std::nullopt},       {"'zwölf'", std::nullopt},
  };
  for (const Case& c : longs) {
    SCOPED_TRACE(c.stored);
    db.Execute(std::string("INSERT INTO \"Categories\" (\"Include\", \"Name\", \"Order\") VALUES (1, 'x', ") + c.stored +
               ")");
    CRecSetCategories set(db);
    if (c.read) {
      set.Open();
      EXPECT_EQ(set->Order, static_cast<int32_t>(*c.read));
    } else {
      EXPECT_THROW(set.Open(), DbError);
    }
    db.Execute("DELETE FROM \"Categories\"");
  }
  // Discount.Break is a Single: nothing infinite or beyond its range.
  const Case singles[] = {
      {"3.4e38", 3.4e38}, {"-2.5", -2.5}, {"1e308", std::nullopt}, {"9e999", std::nullopt}, {"-9e999", std::nullopt},
      {"'viel'", std::nullopt},
  };
  for (const Case& c : singles) {
    SCOPED_TRACE(c.stored);
    db.Execute(std::string("INSERT INTO \"Discount\" (\"Break\", \"Discount\") VALUES (") + c.stored + ", 1)");
    CRecSetDiscount set(db);
    if (c.read) {
      set.Open();
      EXPECT_EQ(set->Break, static_cast<float>(*c.read));
    } else {
      EXPECT_THROW(set.Open(), DbError);
    }
    db.Execute("DELETE FROM \"Discount\"");
  }

  // A key beyond a Long would drop the row from every walk; it is reported instead.
  db.Execute("INSERT INTO \"Categories\" (\"ID\", \"Include\", \"Name\") VALUES (4294967297, 1, 'weit')");
  CRecSetCategories set(db);
  try {
    set.Open();
    ADD_FAILURE() << "read a key of 4294967297";
  } catch (const DbError& e) {
    EXPECT_EQ(e.framework(), DbFrameworkError::FieldBinding);
    EXPECT_EQ(e.description(),
              "Der Wert 4294967297 im Feld \"ID\" der Tabelle \"Categories\" liegt außerhalb des Bereichs seines Typs.");
  }
}

}  // namespace
}  // namespace vendora
