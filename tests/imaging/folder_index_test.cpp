#include "imaging/folder_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vendora {
namespace {

std::string LowerBase(const std::string& name) {
  std::string base = name.substr(0, name.find_last_of('.'));
  for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return base;
}

FileStamp StampOfSize(uint64_t size) {
  FileStamp s;
  s.size = size;
  return s;
}

// Thousands of listings, removals, re-listings and stamp changes, checked against a
// plain model after every batch: the index grows through many rehashes, and chains of
// one base lose names from their head, middle and end.
TEST(FolderIndex, AgreesWithAPlainModelThroughManyChanges) {
  std::vector<std::string> names;
  for (int id = 0; id < 1500; ++id)
    for (const char* pattern : {"p%d.jpg", "P%d.GIF", "p%d.png", "%d"}) {
      char buf[32];
      std::snprintf(buf, sizeof buf, pattern, id);
      names.push_back(buf);
    }
  std::mt19937 random(7);
  FolderIndex index;
  std::set<std::string> listed;
  std::map<std::string, std::optional<FileStamp>> stamps;  // read and not forgotten since

  for (int batch = 0; batch < 40; ++batch) {
    for (int step = 0; step < 500; ++step) {
      const std::string& name = names[random() % names.size()];
      switch (random() % 4) {
        case 0: {
          const std::optional<FileStamp> stamp = StampOfSize(random() % 1000);
          index.List(name, &stamp);
          listed.insert(name);
          stamps[name] = stamp;
          break;
        }
        case 1:
          index.List(name);
          listed.insert(name);
          stamps.erase(name);
          break;
        case 2:
          index.Unlist(name);
          listed.erase(name);
          stamps.erase(name);
          break;
        case 3: {
          const std::optional<FileStamp> stamp =
              random() % 2 ? std::optional<FileStamp>(StampOfSize(random() % 1000)) : std::nullopt;
          EXPECT_EQ(index.SetStamp(name, stamp), stamp);
          stamps[name] = stamp;
          break;
        }
      }
    }
    for (int id = 0; id < 1500; id += 7) {
      const std::string base = "p" + std::to_string(id);
      std::vector<std::string> expected;
      for (const std::string& n : listed)
        if (n.find('.') != std::string::npos && LowerBase(n) == base) expected.push_back(n);
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(index.Named("P" + std::to_string(id)), expected) << "batch " << batch << ", base " << base;
    }
    for (const std::string& name : names) {
      const auto* known = index.KnownStamp(name);
      const auto it = stamps.find(name);
      ASSERT_EQ(known != nullptr, it != stamps.end()) << name;
      if (known) ASSERT_EQ(*known, it->second) << name;
    }
  }
  EXPECT_TRUE(index.Named("fehlt").empty());
  EXPECT_TRUE(index.Named("").empty()) << "names without a dot have no base";
}

}  // namespace
}  // namespace vendora
