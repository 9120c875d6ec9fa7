#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/file_error_text.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// Runs a real file-system call that must fail and returns the German sentence for it.
template <class F>
std::string FailureText(F&& operation) {
  try {
    operation();
  } catch (const fs::filesystem_error& e) {
    return FileErrorText(e);
  }
  return "(kein Fehler)";
}

TEST(FileErrorText, NamesOperationPathAndReasonInGerman) {
  test::TempDir dir;
  const fs::path file = dir.path() / "datei", missing = dir.path() / "fehlt", full = dir.path() / "voll";
  test::WriteFileBytes(file, "x");
  fs::create_directories(full / "inhalt");
  const struct {
    std::function<void()> operation;
    std::string text;
  } cases[] = {
      {[&] { fs::create_directories(file / "unter"); },
       "Der Ordner '" + (file / "unter").string() + "' konnte nicht angelegt werden (ein Teil des Pfades ist kein Ordner)."},
      {[&] { fs::create_directory("/proc/vendora/x"); },
       "Der Ordner '/proc/vendora/x' konnte nicht angelegt werden (nicht vorhanden)."},
      {[&] { fs::copy_file(missing, dir.path() / "kopie"); },
       "'" + missing.string() + "' konnte nicht nach '" + (dir.path() / "kopie").string() +
           "' kopiert werden (nicht vorhanden)."},
      {[&] { fs::copy_file(file, file); },
       "'" + file.string() + "' konnte nicht nach '" + file.string() + "' kopiert werden (ist bereits vorhanden)."},
      {[&] { fs::rename(missing, file); },
       "'" + missing.string() + "' konnte nicht in '" + file.string() + "' umbenannt werden (nicht vorhanden)."},
      {[&] { fs::remove(full); }, "'" + full.string() + "' konnte nicht gelöscht werden (der Ordner ist nicht leer)."},
      {[&] { fs::create_hard_link(missing, dir.path() / "link"); },
       "Die Verknüpfung '" + (dir.path() / "link").string() + "' auf '" + missing.string() +
           "' konnte nicht angelegt werden (nicht vorhanden)."},
      {[&] { fs::directory_iterator it(missing); },
       "Der Ordner '" + missing.string() + "' konnte nicht gelesen werden (nicht vorhanden)."},
      {[&] { (void)fs::file_size(missing); },
       "Auf '" + missing.string() + "' konnte nicht zugegriffen werden (nicht vorhanden)."},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureText(c.operation), c.text);

  EXPECT_EQ(FileErrorReason(std::make_error_code(std::errc::no_space_on_device)), "der Datenträger ist voll");
  EXPECT_EQ(FileErrorReason(std::make_error_code(std::errc::read_only_file_system)),
            "das Dateisystem ist schreibgeschützt");
  EXPECT_EQ(FileErrorReason(std::error_code(4242, std::system_category())), "Systemfehler 4242");
}

}  // namespace
}  // namespace vendora
