#include "support/TestEnvironment.h"

#include <QDir>
#include <QtGlobal>

TestEnvironment::TestEnvironment()
    : m_dir(QDir::tempPath() + QStringLiteral("/tamsel-test-XXXXXX"))
{
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", (m_dir.path() + QStringLiteral("/.cache")).toUtf8());
    qunsetenv("GROQ_API_KEY");
    reset();
}

QString TestEnvironment::configHome() const
{
    return m_dir.path() + QStringLiteral("/.config");
}

QString TestEnvironment::dataHome() const
{
    return m_dir.path() + QStringLiteral("/.local/share");
}

QString TestEnvironment::settingsFilePath() const
{
    return configHome() + QStringLiteral("/tamsel/tamsel.conf");
}

void TestEnvironment::reset()
{
    QDir home(m_dir.path());
    for (const QString &entry : home.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFileInfo info(home.filePath(entry));
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
}
