#include "ui_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/demo_shop.h"
#include "common/log.h"
#include "generator/generation.h"
#include "app/program_identity.h"
#include "controls/form_controls.h"
#include "pages/company_page.h"
#include "rules/payvane_lock.h"
#include "ui_text.h"

#ifndef VENDORA_SCREENSHOT_DIR
#define VENDORA_SCREENSHOT_DIR "screenshots"
#endif

namespace vendora::test {

namespace fs = std::filesystem;

namespace {
template <class T>
T Next(std::deque<T>& queue, T otherwise = {}) {
  if (queue.empty()) return otherwise;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

std::optional<std::string> ScriptedDialogs::AskNewShopName(const std::string&) { return Next(shopNames); }
std::optional<fs::path> ScriptedDialogs::ChooseShopFile() { return Next(shopFiles); }
std::optional<fs::path> ScriptedDialogs::ChoosePictureFile(std::string_view caption) {
  pictureCaptions.emplace_back(caption);
  return Next(pictureFiles);
}
std::optional<fs::path> ScriptedDialogs::ChooseDataFile(std::string_view, std::string_view, bool) {
  return Next(dataFiles);
}
std::optional<uint32_t> ScriptedDialogs::ChooseColour(uint32_t) { return Next(colours); }
std::optional<std::string> ScriptedDialogs::AskName(std::string_view, std::string_view, const std::string&) {
  return Next(names);
}

bool ScriptedDialogs::EnterPayvanePassword(PayvaneLock& lock) {
  ++entryDialogs;
  for (const std::string& entry : Next(passwordEntries))
    if (lock.Check(entry)) return true;
  return false;
}

bool ScriptedDialogs::ChangePayvanePassword(PayvaneLock& lock, bool) {
  ++changeDialogs;
  for (const auto& [oldEntry, newEntry, confirmation] : Next(passwordChanges))
    if (lock.Change(oldEntry, newEntry, confirmation) == PasswordChange::Changed) return true;
  return false;
}

void ScriptedDialogs::ShowLogViewer(const fs::path&) { ++logViewers; }

PreviewOutcome ScriptedDialogs::ShowPreview(const fs::path& previewFolder, const std::optional<std::array<int, 3>>&) {
  previewFolders.push_back(previewFolder);
  return Next(previews);
}

namespace {
ProgramIdentity Identity() {
  auto identity = CompiledProgramIdentity();
  EXPECT_TRUE(identity.has_value());
  return identity.value_or(ProgramIdentity{150, 54, 1031});
}

fs::path SetUpEnvironment(const TempDir& temp) {
  fs::create_directories(temp / "program");
  setenv("VENDORA_HOME", (temp / "program").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
  return temp / "program";
}
}  // namespace

DesktopFixture::DesktopFixture()
    : manager(Identity(), SetUpEnvironment(temp), prompter),
      context{manager, prompter, dialogs, clock, browser} {}

DesktopFixture::~DesktopFixture() {
  window_.reset();
  manager.CloseShop();
  unsetenv("VENDORA_HOME");
  unsetenv("XDG_CONFIG_HOME");
}

MainWindow& DesktopFixture::Window() {
  if (!window_) {
    window_ = std::make_unique<MainWindow>(context);
    window_->show();
    Settle();
  }
  return *window_;
}

fs::path DesktopFixture::AddShop(const std::string& name) {
  const fs::path file = temp / name / (name + ".mdb");
  fs::create_directories(file.parent_path());
  CreateShopFile(file);
  dialogs.shopFiles.push_back(file);
  Window().Company()->AddShop();
  EXPECT_TRUE(manager.IsShopOpen());
  return file;
}

void DesktopFixture::OpenDemoShop(int products) {
  DemoShopOptions options;
  options.products = products;
  options.pictures = products;
  ASSERT_TRUE(manager.AddShop(CreateDemoShop(temp / "demo", options).value()));
}

bool DesktopFixture::Generate() {
  GenerationLog log;
  ShopGenerator generator(Db(), manager.Paths(), log, prompter, clock);
  return generator.Run();
}

fs::path DesktopFixture::AddDemoShop(int products) {
  DemoShopOptions options;
  options.products = products;
  options.pictures = products;
  const fs::path file = CreateDemoShop(temp / "demo", options).value();
  dialogs.shopFiles.push_back(file);
  Window().Company()->AddShop();
  EXPECT_TRUE(manager.IsShopOpen());
  return file;
}

void Type(FormControls& form, std::string_view field, const std::string& text) {
  QWidget* editor = form.Editor(field);
  ASSERT_NE(editor, nullptr) << field;
  if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setText(Q(text));
  else if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) memo->setPlainText(Q(text));
  else if (auto* box = qobject_cast<QCheckBox*>(editor)) box->setChecked(text == "1");
  else if (auto* combo = qobject_cast<QComboBox*>(editor)) combo->setCurrentIndex(std::stoi(text));
}

std::string StoredText(const std::vector<NamedFieldRef>& row, std::string_view field) {
  for (const NamedFieldRef& f : row) {
    if (f.name != field) continue;
    if (auto* s = std::get_if<std::string*>(&f.ref)) return **s;
    if (auto* i = std::get_if<int32_t*>(&f.ref)) return std::to_string(**i);
    if (auto* b = std::get_if<bool*>(&f.ref)) return **b ? "1" : "0";
    if (auto* d = std::get_if<float*>(&f.ref)) return U(QString::number(**d));
  }
  ADD_FAILURE() << "no field " << field;
  return {};
}

fs::path Screenshot(QWidget* widget, const std::string& name) {
  Settle(50);
  const fs::path folder = VENDORA_SCREENSHOT_DIR;
  fs::create_directories(folder);
  const fs::path file = folder / (name + ".png");
  EXPECT_TRUE(widget->grab().save(QPath(file))) << file;
  return file;
}

void Settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (timer.elapsed() < milliseconds);
}

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);  // what is waited for may come from another process
  }
  return true;
}

}  // namespace vendora::test
