#pragma once

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QObject>
#include <QProcess>

#include <csignal>

// The real tamsel executable of this build, started on the session's display with the test's
// private home, its log collected.
class RunningProgram : public QObject {
public:
    // `environment` entries are added to the test's own environment. The welcome counts as seen
    // unless the test stored otherwise.
    bool start(const QStringList &environment = {})
    {
        {
            SettingsStore settings(SettingsStore::defaultFilePath());
            if (!settings.contains(SettingsKeys::hasCompletedOnboarding.name))
                settings.setValue(SettingsKeys::hasCompletedOnboarding, true);
        }
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &entry : environment)
            variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
        m_process.setProcessEnvironment(variables);
        m_process.setProgram(QStringLiteral(TAMSEL_BINARY_DIR "/src/tamsel"));
        connect(
            &m_process, &QProcess::readyReadStandardError, this, [this] { m_log += m_process.readAllStandardError(); });
        m_process.start();
        return m_process.waitForStarted(5000);
    }

    // Asks the program to quit as the session (or Ctrl+C) would; empty when it exited cleanly, else
    // why not.
    QString stop(int signalNumber = SIGTERM)
    {
        if (m_process.state() != QProcess::Running)
            return QStringLiteral("the program was not running");
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
        if (!m_process.waitForFinished(10000))
            return QStringLiteral("the program did not quit");
        m_log += m_process.readAllStandardError();
        if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0)
            return QStringLiteral("exit code %1").arg(m_process.exitCode());
        if (m_log.contains("ERROR: AddressSanitizer") || m_log.contains("runtime error:"))
            return QString::fromUtf8(m_log);
        return {};
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    const QByteArray &log() const { return m_log; }

private:
    QProcess m_process;
    QByteArray m_log;
};
