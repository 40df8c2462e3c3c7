#include "support/LogCapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_mutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && qstrcmp(context.category, "tamsel") == 0) {
        QMutexLocker locker(&g_mutex);
        g_lines.append(message);
    }
    if (g_previous)
        g_previous(type, context, message);
}
}

LogCapture::LogCapture()
{
    QMutexLocker locker(&g_mutex);
    g_lines.clear();
    m_previous = qInstallMessageHandler(capture);
    g_previous = m_previous;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&g_mutex);
    return g_lines;
}

bool LogCapture::anyContains(const QString &fragment) const
{
    for (const QString &line : lines()) {
        if (line.contains(fragment))
            return true;
    }
    return false;
}

void LogCapture::clear()
{
    QMutexLocker locker(&g_mutex);
    g_lines.clear();
}
