// Compiled by the CoreRefusesQtHeaders test with the core's include paths only; it must
// not compile, because the core has no access to Qt.
#include <QtCore/QObject>

#include "shopdb/database.h"

int main() { return 0; }
