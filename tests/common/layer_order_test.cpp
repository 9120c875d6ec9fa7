// The core's layers, written down where they are enforced: every include of a core
// folder names its own folder or one below it, the programs above may include any core
// folder, and nothing in the core includes the programs. The build refuses the same
// includes (each layer compiles against a view of its own folders); this test also
// catches what the view cannot: paths that climb out with "..".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What each folder of src/core may include besides itself.
const std::map<std::string, std::set<std::string>>& Allowed() {
  static const std::map<std::string, std::set<std::string>> allowed = [] {
    const std::vector<std::pair<std::string, std::vector<std::string>>> below = {
        {"common", {}},
        {"shopdb", {"common"}},
        {"imaging", {"shopdb"}},
        {"app", {"imaging"}},
        {"generator", {"app"}},
        {"preview", {"generator"}},
        {"publish", {"preview"}},
        {"serve", {"preview"}},
        {"rules", {"publish", "serve"}},
        {"csv", {"rules"}},
    };
    std::map<std::string, std::set<std::string>> result;
    for (const auto& [layer, lower] : below) {
      std::set<std::string>& mine = result[layer];
      mine.insert(layer);
      for (const std::string& l : lower) mine.insert(result[l].begin(), result[l].end());
    }
    return result;
  }();
  return allowed;
}

struct Include {
  fs::path file;
  int line;
  std::string target;
};

std::vector<Include> QuotedIncludes(const fs::path& root) {
  static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<Include> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    std::ifstream in(entry.path());
    std::string text;
    int number = 0;
    std::smatch m;
    while (std::getline(in, text)) {
      ++number;
      if (std::regex_search(text, m, include)) found.push_back({entry.path(), number, m[1]});
    }
  }
  return found;
}

const fs::path kSource = fs::path(VENDORA_TEST_SOURCE_DIR).parent_path() / "src";

}  // namespace

TEST(LayerOrder, EveryCoreIncludeGoesToItsOwnFolderOrBelow) {
  std::vector<std::string> offences;
  int checked = 0;
  for (const Include& inc : QuotedIncludes(kSource / "core")) {
    const std::string layer = fs::relative(inc.file, kSource / "core").begin()->string();
    const std::string where = fs::relative(inc.file, kSource).string() + ":" + std::to_string(inc.line) + " ";
    const auto allowed = Allowed().find(layer);
    ASSERT_NE(allowed, Allowed().end()) << "a core folder without a place in the order: " << layer;
    if (inc.target.find("..") != std::string::npos) {
      offences.push_back(where + inc.target + " (climbs out of its folder)");
      continue;
    }
    const size_t slash = inc.target.find('/');
    // A file beside the includer (a table of its own folder) is its own layer.
    const std::string folder = slash != std::string::npos ? inc.target.substr(0, slash)
                               : fs::exists(inc.file.parent_path() / inc.target) ? layer
                                                                                  : std::string();
    // Generated headers live under a layer's name in the build tree and obey the same order.
    if (!allowed->second.contains(folder))
      offences.push_back(where + inc.target + " (not below " + layer + ")");
    ++checked;
  }
  EXPECT_GT(checked, 300);
  EXPECT_TRUE(offences.empty()) << [&] {
    std::string all;
    for (const std::string& o : offences) all += o + "\n";
    return all;
  }();
}

TEST(LayerOrder, EveryCoreFolderHasItsPlace) {
  // A new core folder must get its place in the order, and a removed one leave it.
  std::set<std::string> folders;
  for (const auto& entry : fs::directory_iterator(kSource / "core"))
    if (entry.is_directory()) folders.insert(entry.path().filename().string());
  std::set<std::string> ordered;
  for (const auto& [layer, _] : Allowed()) ordered.insert(layer);
  EXPECT_EQ(folders, ordered);
  // Spot checks of the order itself, against the common mistakes.
  EXPECT_FALSE(Allowed().at("generator").contains("preview"));
  EXPECT_FALSE(Allowed().at("publish").contains("serve"));
  EXPECT_FALSE(Allowed().at("serve").contains("publish"));
  EXPECT_TRUE(Allowed().at("csv").contains("rules"));
  EXPECT_FALSE(Allowed().at("imaging").contains("app"));
}

TEST(LayerOrder, TheCoreNeverIncludesTheProgramsAbove) {
  for (const Include& inc : QuotedIncludes(kSource / "core")) {
    EXPECT_NE(inc.target.rfind("cli/", 0), 0u) << inc.file;
    EXPECT_NE(inc.target.rfind("ui/", 0), 0u) << inc.file;
    EXPECT_EQ(inc.target.find("controls/"), std::string::npos) << inc.file;
  }
}
