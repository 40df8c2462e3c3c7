#include "platform/linux/DisplayEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

namespace DisplayEnvironment {
namespace {
bool chosenHere = false;
}

void prepare()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
        chosenHere = true;
    }
}

void keepFromChildren()
{
    if (chosenHere)
        qunsetenv("QT_QPA_PLATFORM");
    chosenHere = false;
}
}
