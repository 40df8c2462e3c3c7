#include "platform/linux/DisplayEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

namespace DisplayEnvironment {
namespace {
bool platformChosenHere = false;
bool sharedMemoryOffHere = false;
}

void prepare()
{
    // The pet repaints a few small tiles several times a second. Through shared memory, Qt makes a
    // round trip to the X server before each paint (to be sure the server has read the previous
    // image), which wakes the program three times per frame; sent over the socket, the tiles cost
    // one write. Larger windows (the preferences) repaint rarely enough not to notice.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
        sharedMemoryOffHere = true;
    }
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
        platformChosenHere = true;
    }
}

void keepFromChildren()
{
    if (platformChosenHere)
        qunsetenv("QT_QPA_PLATFORM");
    if (sharedMemoryOffHere)
        qunsetenv("QT_XCB_NO_MITSHM");
    platformChosenHere = false;
    sharedMemoryOffHere = false;
}
}
