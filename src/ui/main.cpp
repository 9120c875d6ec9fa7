// vendora: the desktop program.
#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/version_report.h"
#include "desktop_program.h"
#include "qt_translations.h"

namespace {

constexpr const char* kHelp =
    "Aufruf: vendora [OPTIONEN]\n"
    "Startet den Shop-Baukasten auf dem zuletzt gewählten Shop.\n\n"
    "Optionen:\n"
    "  -h,--help     Diese Hilfe zeigen\n"
    "  --version     Die Version des Programms und seiner Bibliotheken zeigen\n\n"
    "Dazu die Optionen jedes Qt-Programms (etwa -platform offscreen). Ohne Fenster\n"
    "arbeitet vendora-cli mit denselben Shops.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << vendora::VersionReport("vendora", {{"Qt", qVersion()}});
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << kHelp;
      return 0;
    }
  }
  // Chromium's sandbox refuses to run for root; the preview window would stay blank.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vendora"));
  QApplication::setApplicationVersion(QString::fromStdString(vendora::ProgramVersionText()));
  QApplication::setDesktopFileName(QStringLiteral("vendora"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vendora.png")));
  vendora::InstallQtTranslations(app, QLocale::system());
  return vendora::RunDesktopProgram();
}
