#pragma once
// Qt's own texts (standard buttons, file dialogs, context menus) in the program's
// language, so that no English "Cancel" stands beside the German program texts.
class QCoreApplication;
class QLocale;
class QTranslator;

namespace vendora {

// Installs Qt's German translation (qtbase_de from Qt's translations folder) on `app`:
// the user's own variant when the locale is German, plain German otherwise, since the
// program speaks German whatever the locale. Returns the translator (owned by `app`),
// or nullptr when the translation is not installed.
QTranslator* InstallQtTranslations(QCoreApplication& app, const QLocale& userLocale);

}  // namespace vendora
