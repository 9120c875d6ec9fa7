// vendora: the desktop program.
#include <QApplication>
#include <QIcon>

#include <unistd.h>

#include <cstdlib>

#include "desktop_program.h"

int main(int argc, char** argv) {
  // Chromium's sandbox refuses to run for root; the preview window would stay blank.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vendora"));
  QApplication::setDesktopFileName(QStringLiteral("vendora"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vendora.png")));
  return vendora::RunDesktopProgram();
}
