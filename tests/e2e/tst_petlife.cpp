#include "support/DesktopProbe.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <memory>

// The real program living on its own: in wander mode the cat strolls along the screen in small
// steps about 60 times a second, and Super+K pressed anywhere opens and closes the Ask prompt.
class TestPetLife : public QObject {
    Q_OBJECT

public:
    explicit TestPetLife(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static QString xdotool(const QStringList &arguments) { return DesktopProbe::xdotool(arguments); }

    static QString findWindow(const QStringList &search)
    {
        return xdotool(QStringList { "search", "--onlyvisible" } + search).section('\n', 0, 0);
    }

    // The program's open menus, the pet's and its submenus: its plain windows, the pet being a
    // utility window and its frameless helpers marked as override windows.
    static int openMenus()
    {
        int menus = 0;
        for (const QString &window : xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n')) {
            const QString type = DesktopProbe::run("xprop", { "-id", window, "_NET_WM_WINDOW_TYPE" });
            menus += type.contains("NORMAL") && !type.contains("OVERRIDE") && !type.contains("UTILITY");
        }
        return menus;
    }

    // Every move of the pet's window reaches other clients as a ConfigureNotify with its position;
    // xev reports them, and each new x is appended with the milliseconds since the watch began.
    void watchMoves(QProcess &xev, QList<QPair<qint64, int>> &moves)
    {
        xev.start("xev", { "-id", m_window, "-event", "structure" });
        QVERIFY(xev.waitForStarted(5000));
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        auto pending = std::make_shared<QByteArray>();
        connect(&xev, &QProcess::readyReadStandardOutput, &xev, [&xev, &moves, clock, pending] {
            static const QRegularExpression position("window 0x[0-9a-f]+, \\((-?\\d+),(-?\\d+)\\), width");
            *pending += xev.readAllStandardOutput();
            qsizetype end;
            while ((end = pending->indexOf('\n')) >= 0) {
                const auto match = position.match(QString::fromUtf8(pending->left(end)));
                pending->remove(0, end + 1);
                if (match.hasMatch() && (moves.isEmpty() || moves.constLast().second != match.captured(1).toInt()))
                    moves.append({ clock->elapsed(), match.captured(1).toInt() });
            }
        });
    }

    TestEnvironment *m_env;
    RunningProgram m_program;
    QString m_window;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty()
            || QStandardPaths::findExecutable("xev").isEmpty())
            QSKIP("needs the headless desktop session (make test)");
        {
            // At the screen's left edge the first heartbeat always starts a stroll to the right.
            QSettings settings(m_env->settingsFilePath(), QSettings::IniFormat);
            settings.setValue("tam.behaviorMode", "wander");
            settings.setValue("tam.lastPositionX", 0);
            settings.setValue("tam.lastPositionY", 300);
        }
        QVERIFY(m_program.start());
        QTRY_VERIFY_WITH_TIMEOUT(!(m_window = DesktopProbe::petWindow()).isEmpty(), 20000);
    }

    void cleanupTestCase()
    {
        if (!m_program.isRunning())
            return;
        const QString problem = m_program.stop();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void catStrollsSmoothlyWithinTheScreen()
    {
        QProcess xev;
        QList<QPair<qint64, int>> moves; // (ms since start, x)
        watchMoves(xev, moves);
        // The heartbeat comes within 7 s; a stroll of at least 90 points takes over a second. A later
        // heartbeat may walk it back, so the distance covered is the span of the positions.
        const auto span = [&moves] {
            const auto [leftmost, rightmost] = std::minmax_element(
                moves.cbegin(), moves.cend(), [](const auto &a, const auto &b) { return a.second < b.second; });
            return moves.isEmpty() ? 0 : rightmost->second - leftmost->second;
        };
        QTRY_VERIFY_WITH_TIMEOUT(moves.size() > 60 && span() >= 80, 20000);
        xev.kill();
        xev.waitForFinished(2000);

        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        int steps = 0;
        qint64 walkingMs = 0;
        for (qsizetype i = 1; i < moves.size(); ++i) {
            const int step = moves.at(i).second - moves.at(i - 1).second;
            const qint64 gap = moves.at(i).first - moves.at(i - 1).first;
            QVERIFY2(qAbs(step) <= 4, qPrintable(QString("a jump of %1 points").arg(step)));
            QVERIFY(moves.at(i).second >= screen.left() && moves.at(i).second <= screen.right());
            if (gap < 200) { // steps of one stroll, not the pause between two
                ++steps;
                walkingMs += gap;
            }
        }
        const double rate = 1000.0 * steps / static_cast<double>(walkingMs);
        qInfo("%lld moves, %.1f moves per second while walking", static_cast<long long>(moves.size()), rate);
        QVERIFY2(rate > 45 && rate < 75, qPrintable(QString::number(rate)));
    }

    void superKTogglesTheAskPrompt()
    {
        xdotool({ "key", "super+k" });
        QString prompt;
        QTRY_VERIFY_WITH_TIMEOUT(!(prompt = findWindow({ "--name", "^Ask Tamsel$" })).isEmpty(), 5000);
        xdotool({ "key", "super+k" });
        QTRY_VERIFY_WITH_TIMEOUT(findWindow({ "--name", "^Ask Tamsel$" }).isEmpty(), 5000);
        QVERIFY(!m_program.log().contains("HotKeyMonitor"));
    }

    void contextMenuSwitchesToStill()
    {
        const QRect frame = DesktopProbe::geometry(m_window);
        const QPoint body(frame.x() + frame.width() / 2, frame.y() + frame.height() * 2 / 3);
        xdotool({ "mousemove", QString::number(body.x()), QString::number(body.y()) });
        xdotool({ "click", "3" });
        QTRY_COMPARE_WITH_TIMEOUT(openMenus(), 1, 5000);
        // Past the pet's name: Hide Pet, Animation, Speed, Scale, Behavior ▸ Still.
        xdotool({ "key", "Down", "Down", "Down", "Down", "Down", "Right" });
        QTRY_COMPARE_WITH_TIMEOUT(openMenus(), 2, 5000);
        xdotool({ "key", "Return" });
        const auto mode = [this] {
            return QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.behaviorMode").toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(mode(), QString("still"), 5000);

        // Still means still: no move within more than a heartbeat's longest interval.
        const int x = DesktopProbe::geometry(m_window).x();
        QProcess xev;
        QList<QPair<qint64, int>> moves;
        watchMoves(xev, moves);
        const auto moved = [&moves, x] {
            return std::any_of(moves.cbegin(), moves.cend(), [x](const auto &move) { return move.second != x; });
        };
        QVERIFY(!QTest::qWaitFor(moved, 8000));
        xev.kill();
        xev.waitForFinished(2000);
    }
};

TAMSEL_TEST_MAIN(TestPetLife)
#include "tst_petlife.moc"
