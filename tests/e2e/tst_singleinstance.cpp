#include "support/DesktopProbe.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <csignal>
#include <sys/stat.h>

// One copy per session, as a person meets it: starting the program again while it runs only
// brings the running pet forward and is gone at once, and a copy killed outright leaves nothing
// behind that would keep the next start out.
class TestSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit TestSingleInstance(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    // Without a session bus the program falls back to its lock file alone.
    static QStringList withoutBus() { return { QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent") }; }

    static void start(QProcess &process, const QStringList &environment, const QStringList &arguments = {})
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &entry : environment)
            variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
        process.setProcessEnvironment(variables);
        process.start(QStringLiteral(TAMSEL_BINARY_DIR "/src/tamsel"), arguments);
        QVERIFY2(process.waitForStarted(5000), qPrintable(process.errorString()));
    }

    // Whether `pid` holds the session's lock, read from /proc/locks so that looking never takes
    // the lock from under a starting program.
    static bool holdsSessionLock(qint64 pid)
    {
        const QString path = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
            + QStringLiteral("/app.tamsel.Tamsel.lock");
        struct stat info { };
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return false;
        QFile locks(QStringLiteral("/proc/locks"));
        if (!locks.open(QIODevice::ReadOnly))
            return false;
        const QByteArray inode = QByteArray::number(static_cast<qulonglong>(info.st_ino));
        for (const QByteArray &line : locks.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 5 && fields.at(1) == "FLOCK" && fields.at(4).toLongLong() == pid
                && fields.at(5).split(':').constLast() == inode)
                return true;
        }
        return false;
    }

    void startHidden(bool hidden)
    {
        QSettings(m_env->settingsFilePath(), QSettings::IniFormat).setValue(QStringLiteral("tam.startHidden"), hidden);
    }

    TestEnvironment *m_env;

private slots:
    void init()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the headless desktop session (make test)");
        m_env->reset();
    }

    void answersHelpAndVersionWithNoDisplayOrBus_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("--help") << QStringLiteral("--help") << QByteArray("Usage: tamsel [options]\n");
        QTest::newRow("--version") << QStringLiteral("--version") << QByteArray("tamsel " TAMSEL_VERSION "\n");
    }

    void answersHelpAndVersionWithNoDisplayOrBus()
    {
        QFETCH(QString, argument);
        QFETCH(QByteArray, expected);
        QProcess process;
        start(process, withoutBus() << QStringLiteral("DISPLAY="), { argument });
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(process.readAllStandardOutput().startsWith(expected), qPrintable(process.readAllStandardError()));
    }

    void aSecondStartShowsThePetAndLeaves_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<bool>("canAsk"); // a lock file carries no request to the running copy
        QTest::newRow("session bus") << QStringList() << true;
        QTest::newRow("lock file only") << withoutBus() << false;
    }

    void aSecondStartShowsThePetAndLeaves()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, canAsk);
        startHidden(true);
        QProcess first;
        start(first, environment);
        QTRY_VERIFY_WITH_TIMEOUT(holdsSessionLock(first.processId()), 15000);
        QVERIFY(DesktopProbe::petWindow().isEmpty());

        QProcess second;
        QElapsedTimer elapsed;
        elapsed.start();
        start(second, environment);
        QVERIFY2(second.waitForFinished(2000), "the second start was still running after 2 s");
        qInfo("the second start left after %lld ms", elapsed.elapsed());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        if (canAsk)
            QTRY_VERIFY_WITH_TIMEOUT(!DesktopProbe::petWindow().isEmpty(), 5000);
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(DesktopProbe::petWindow().isEmpty(), 5000);
        startHidden(false);
        QProcess next;
        start(next, environment);
        QTRY_VERIFY_WITH_TIMEOUT(!DesktopProbe::petWindow().isEmpty(), 15000);
        QCOMPARE(next.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
        QVERIFY(next.waitForFinished(10000));
        QCOMPARE(next.exitCode(), 0);
    }

    // What a desktop's own shortcut bound to `tamsel --ask` does: the first press starts Tamsel
    // with the prompt open, the next closes the prompt of the running copy and leaves.
    void askOptionTogglesThePromptStartingTamselWhenNeeded()
    {
        const auto promptShown = [] {
            return !DesktopProbe::xdotool({ "search", "--onlyvisible", "--name", "Ask Tamsel" }).isEmpty();
        };
        QProcess first;
        start(first, {}, { "--ask" });
        QTRY_VERIFY_WITH_TIMEOUT(promptShown(), 15000);
        QProcess second;
        start(second, {}, { "--ask" });
        QVERIFY(second.waitForFinished(2000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!promptShown(), 5000);
        QCOMPARE(first.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(10000));
    }
};

TAMSEL_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
