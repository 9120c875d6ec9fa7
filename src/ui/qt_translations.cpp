#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vendora {

QTranslator* InstallQtTranslations(QCoreApplication& app, const QLocale& userLocale) {
  const QLocale german = userLocale.language() == QLocale::German ? userLocale : QLocale(QLocale::German, QLocale::Germany);
  auto* translator = new QTranslator(&app);
  if (!translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return nullptr;
  }
  QCoreApplication::installTranslator(translator);
  return translator;
}

}  // namespace vendora
