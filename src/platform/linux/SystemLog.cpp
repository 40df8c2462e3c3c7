#include "platform/linux/SystemLog.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <syslog.h>

namespace {
void handleMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray text = message.toUtf8();
    int priority = LOG_INFO;
    switch (type) {
    case QtDebugMsg: priority = LOG_DEBUG; break;
    case QtInfoMsg: priority = LOG_INFO; break;
    case QtWarningMsg: priority = LOG_WARNING; break;
    case QtCriticalMsg: priority = LOG_ERR; break;
    case QtFatalMsg: priority = LOG_CRIT; break;
    }
    ::syslog(priority, "%s", text.constData());
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
}
}

namespace SystemLog {
void install()
{
    ::openlog("tamsel", LOG_PID, LOG_USER);
    qInstallMessageHandler(handleMessage);
}
}
