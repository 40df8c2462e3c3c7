#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include <csignal>

// Starts the real program in a private home on the session's display and stops it the way the
// desktop does: it must stay up with no window of its own, apply its launch steps, and quit
// cleanly on SIGTERM or SIGINT.
class TestLaunch : public QObject {
    Q_OBJECT

public:
    explicit TestLaunch(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static QString executable() { return QStringLiteral(TAMSEL_BINARY_DIR "/src/tamsel"); }

    void startProgram(QProcess &process)
    {
        process.setProgram(executable());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program picks xcb itself
        process.setProcessEnvironment(environment);
        process.start();
        QVERIFY2(process.waitForStarted(5000), qPrintable(process.errorString()));
    }

    TestEnvironment *m_env;

private slots:
    void init()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the headless desktop session (make test)");
        m_env->reset();
    }

    void launchesAppliesTheModelGuardAndQuitsOnSignals_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void launchesAppliesTheModelGuardAndQuitsOnSignals()
    {
        QFETCH(int, signalNumber);
        QDir().mkpath(m_env->configHome() + QStringLiteral("/tamsel"));
        {
            QSettings settings(m_env->settingsFilePath(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("tam.groqModel"), QStringLiteral("groq/compound"));
        }

        QProcess process;
        startProgram(process);
        QByteArray errorOutput;
        QTRY_VERIFY_WITH_TIMEOUT((errorOutput += process.readAllStandardError())
                                     .contains("Switching off groq/compound: it cannot call tools."),
            15000);
        // Still running with no window of its own: a tray program does not quit on its own.
        QTest::qWait(500);
        QCOMPARE(process.state(), QProcess::Running);

        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        errorOutput += process.readAllStandardError();
        QVERIFY2(!errorOutput.contains("ERROR: AddressSanitizer"), errorOutput.constData());

        QSettings settings(m_env->settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("tam.groqModel")).toString(), QStringLiteral("openai/gpt-oss-120b"));
    }
};

TAMSEL_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
