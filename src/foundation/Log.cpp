#include "foundation/Log.h"

Q_LOGGING_CATEGORY(lcTamsel, "tamsel", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTamselTrace, "tamsel.trace", QtInfoMsg)

namespace Log {
void line(const QString &text)
{
    qCInfo(lcTamsel).noquote() << text;
}
}
