#include "generator/file_lists.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vendora {
namespace {

std::vector<std::string> Names(const FileLists::List& list) {
  std::vector<std::string> names;
  for (const auto& [name, entry] : list) names.push_back(name);
  return names;
}

// Added in walk order, read in name order; a name added again keeps its last entry,
// also when the list was read in between.
TEST(FileLists, ReadInNameOrderWithTheLastEntryOfEachName) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "prods");
  FileLists lists(dir.path());
  const auto write = [&](const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(dir.path() / "prods" / name, bytes);
    lists.AddPublish(ShopSubfolder::Prods, name);
  };
  write("p3.jpg", "333");
  write("p10.jpg", "1");
  write("p1.jpg", "1");
  write("p3.jpg", "33");
  const FileLists::List& prods = lists.Publish(ShopSubfolder::Prods);
  EXPECT_EQ(Names(prods), (std::vector<std::string>{"p1.jpg", "p10.jpg", "p3.jpg"}));
  EXPECT_EQ(prods.at("p3.jpg").size, 2u);
  EXPECT_EQ(prods.at("p3.jpg").Path("p3.jpg"), "prods/p3.jpg");
  write("p3.jpg", "3");
  write("p2.jpg", "22");
  EXPECT_EQ(Names(prods), (std::vector<std::string>{"p1.jpg", "p10.jpg", "p2.jpg", "p3.jpg"}));
  EXPECT_EQ(prods.at("p3.jpg").size, 1u);
  EXPECT_EQ(prods.count("p2.jpg"), 1u);
  EXPECT_FALSE(prods.contains("p4.jpg"));
  EXPECT_THROW(prods.at("p4.jpg"), std::out_of_range);
  EXPECT_EQ(lists.PublishedSize(), 1u + 1u + 2u + 1u);
  EXPECT_TRUE(lists.Unused(ShopSubfolder::Prods).empty());
}

}  // namespace
}  // namespace vendora
