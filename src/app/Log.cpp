#include "app/Log.h"

Q_LOGGING_CATEGORY(lcTamsel, "tamsel", QtInfoMsg)

namespace Log {
void line(const QString &text)
{
    qCInfo(lcTamsel).noquote() << text;
}
}
