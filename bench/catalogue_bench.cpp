// The catalogue page on a large shop (the demo shop with 50,000 products and 150,000
// items, 6 categories): opening the page, switching the category, moving a product
// within its category, and the memory the page takes over an empty shop. Beside each
// figure: the same reads (or the two writes of a move) done by the sqlite3 tool on the
// same file, timed by its own ".timer" so that starting the tool does not count.
//
// Aims: open under 300 ms, switch under 100 ms, move under 200 ms, memory under 100 MB.
// Usage: QT_QPA_PLATFORM=offscreen catalogue_bench [products=50000]
//        (needs the sqlite3 tool on the PATH)
#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include <unistd.h>

#include "app/demo_shop.h"
#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "common/clock.h"
#include "common/prompter.h"
#include "controls/record_list.h"
#include "qt_dialogs.h"
#include "pages/catalogue_page.h"
#include "preview/browser_launcher.h"
#include "rules/catalogue_lists.h"
#include "ui_context.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

class SilentPrompter : public Prompter {
 public:
  Answer Ask(const MessageRequest& request) override { return request.defaultAnswer; }
};

class NoBrowser : public BrowserLauncher {
 public:
  bool LaunchBrowser(const std::string&) override { return false; }
};

double Milliseconds(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  QApplication::processEvents();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// The statements' run time as the sqlite3 tool measures it, in milliseconds. The tool
// times each input line, so every statement goes on a line of its own.
double Sqlite3(const fs::path& db, const std::string& sql) {
  const fs::path script = db.parent_path() / "peer.sql";
  {
    std::ofstream out(script);
    out << ".timer on\n";
    for (char c : sql) out << (c == ';' ? std::string(";\n") : std::string(1, c));
  }
  const std::string command = "sqlite3 '" + db.string() + "' < '" + script.string() + "' 2>&1";
  FILE* out = popen(command.c_str(), "r");
  if (!out) throw std::runtime_error("sqlite3 cannot be started");
  double total = 0;
  std::string text;
  char line[4096];
  while (std::fgets(line, sizeof line, out)) {
    if (std::string_view(line).starts_with("Run Time: real ")) total += std::atof(line + 15) * 1000;
    else if (text.size() < 2000) text += line;
  }
  if (pclose(out) != 0) throw std::runtime_error("sqlite3 failed: " + text);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int products = argc > 1 ? std::atoi(argv[1]) : 50000;
  const fs::path dir = fs::temp_directory_path() / ("vendora-catalogue-bench-" + std::to_string(::getpid()));
  try {
    ::setenv("VENDORA_HOME", (dir / "program").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    DemoShopOptions small, large;
    small.products = 1;
    small.pictures = 0;
    large.products = products;
    large.pictures = 0;
    const Result<fs::path> emptyShop = CreateDemoShop(dir / "small", small);
    const Result<fs::path> bigShop = CreateDemoShop(dir / "large", large);
    if (!emptyShop.ok() || !bigShop.ok()) throw std::runtime_error("the demo shops could not be made");

    SilentPrompter prompter;
    QtDialogs dialogs(prompter);  // never opened: the bench chooses nothing
    SystemClock clock;
    NoBrowser browser;
    ShopManager manager(*CompiledProgramIdentity(), dir / "program", prompter);
    UiContext context{manager, prompter, dialogs, clock, browser};
    if (!manager.OpenShopDatabase(*emptyShop)) throw std::runtime_error("the small shop does not open");
    CataloguePage page(context);
    page.resize(1200, 800);
    page.show();
    page.Tabs()->setCurrentIndex(2);
    page.ShopChanged();
    page.Activated();
    QApplication::processEvents();
    const long emptyKb = ResidentKb();

    if (!manager.OpenShopDatabase(*bigShop)) throw std::runtime_error("the large shop does not open");
    page.ShopChanged();
    const double open = Milliseconds([&] { page.Activated(); });
    const long largeKb = ResidentKb();

    auto* chooser = page.findChild<QComboBox*>(QStringLiteral("productCategory"));
    const double change = Milliseconds([&] { chooser->setCurrentIndex(1); });
    auto* list = page.findChild<RecordList*>(QStringLiteral("productList"));
    const int inCategory = list->Model()->Rows()->Count();
    list->SelectRow(inCategory / 2);
    const double move = Milliseconds([&] { page.findChild<QPushButton*>(QStringLiteral("productUp"))->click(); });

    // The same work by the tool: what the page reads when it opens (every list of the
    // five tabs, the products of the first category twice, the first product's items),
    // what a switch reads, and the two rows a move writes.
    // A copy: the program holds its shop database locked.
    const fs::path db = dir / "peer.mdb";
    fs::copy_file(*bigShop, db);
    const int32_t first = CategoryList(manager.Database()).at(0).ID;
    const int32_t second = CategoryList(manager.Database()).at(1).ID;
    const int32_t product = ProductList(manager.Database(), first).at(0).ID;
    const std::string products1 = "SELECT * FROM Products WHERE CategoryID = " + std::to_string(first) +
                                  " ORDER BY [Order]; ";
    const double openPeer = Sqlite3(
        db, "SELECT * FROM Categories ORDER BY [Order]; SELECT * FROM Lines ORDER BY [Order]; "
            "SELECT * FROM MainAttributes ORDER BY Name; SELECT * FROM [Index] ORDER BY Name; " +
                products1 + products1 + "SELECT * FROM Items WHERE ProductID = " + std::to_string(product) +
                " ORDER BY [Order];");
    const double changePeer = Sqlite3(db, "SELECT * FROM Products WHERE CategoryID = " + std::to_string(second) +
                                              " ORDER BY [Order];");
    const double movePeer = Sqlite3(db, "BEGIN; UPDATE Products SET [Order] = [Order] + 1 WHERE ID = " +
                                            std::to_string(product) + "; UPDATE Products SET [Order] = [Order] - 1 "
                                            "WHERE ID = " + std::to_string(product) + "; COMMIT;");

    std::printf("%d products, %d in the category of the move\n", products, inCategory);
    std::printf("open the page:   %7.1f ms   sqlite3 %6.1f ms   (aim < 300 ms)\n", open, openPeer);
    std::printf("switch category: %7.1f ms   sqlite3 %6.1f ms   (aim < 100 ms)\n", change, changePeer);
    std::printf("move a product:  %7.1f ms   sqlite3 %6.1f ms   (aim < 200 ms)\n", move, movePeer);
    std::printf("memory over the empty shop: %.1f MB (aim < 100 MB)\n", (largeKb - emptyKb) / 1024.0);
    fs::remove_all(dir);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "catalogue_bench: %s\n", e.what());
    fs::remove_all(dir);
    return 1;
  }
}
