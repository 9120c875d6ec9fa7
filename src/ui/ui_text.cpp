#include "ui_text.h"

#include <QStringList>

namespace vendora {

QString DialogFilter(std::string_view classicFilter) {
  const QStringList parts = Q(classicFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& text = parts[i];
    QString patterns = parts[i + 1];
    if (text.isEmpty()) break;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Qt reads the patterns from the brackets; texts that already show them keep their look.
    filters << (text.contains(QLatin1Char('(') + patterns + QLatin1Char(')'))
                    ? text
                    : text + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace vendora
