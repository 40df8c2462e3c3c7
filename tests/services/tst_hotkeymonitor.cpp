#include "services/HotKeyMonitor.h"

#include "support/FakeGlobalHotKey.h"
#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <memory>

using Reason = GlobalHotKey::Failure::Reason;

// The monitor's rules against a fake window system: what it holds, what it logs, whom it calls.
class TestHotKeyMonitor : public QObject {
    Q_OBJECT

private slots:
    void registeringAgainReplacesTheEarlierKey()
    {
        FakeGlobalHotKey hotKeys;
        HotKeyMonitor monitor(hotKeys);
        int fired = 0;
        QObject owner;
        monitor.setHandler(&owner, [&fired] { ++fired; });

        QVERIFY(monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
        QVERIFY(monitor.registerKey(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier));
        QCOMPARE(hotKeys.held.size(), 1);
        QCOMPARE(
            hotKeys.held.first(), (FakeGlobalHotKey::Combination { Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier }));

        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(fired, 0);
        hotKeys.press(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(fired, 1);

        // The same key twice is held once, not twice.
        QVERIFY(monitor.registerKey(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier));
        QCOMPARE(hotKeys.held.size(), 1);
        hotKeys.press(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(fired, 2);

        monitor.unregister();
        QVERIFY(!monitor.isRegistered());
        QVERIFY(hotKeys.held.isEmpty());
    }

    void failuresAreLoggedAndLeaveNoKey_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("line");
        QTest::newRow("taken") << int(Reason::Taken) << QString()
                               << "HotKeyMonitor: grabbing Super+K failed: the key is already taken by another program";
        QTest::newRow("refused") << int(Reason::Refused) << "X error 11"
                                 << "HotKeyMonitor: grabbing Super+K failed: the window system refused it (X error 11)";
    }

    void failuresAreLoggedAndLeaveNoKey()
    {
        QFETCH(int, reason);
        QFETCH(QString, detail);
        QFETCH(QString, line);
        FakeGlobalHotKey hotKeys;
        HotKeyMonitor monitor(hotKeys);
        int fired = 0;
        monitor.setHandler(&monitor, [&fired] { ++fired; });
        QVERIFY(monitor.registerKey(Qt::Key_J, Qt::AltModifier));

        LogCapture log;
        hotKeys.failWith = GlobalHotKey::Failure { Reason(reason), detail };
        QVERIFY(!monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
        QCOMPARE(log.lines(), QStringList { line });
        // The earlier key was given up before the new one was asked for.
        QVERIFY(!monitor.isRegistered());
        QVERIFY(hotKeys.held.isEmpty());
        hotKeys.press(Qt::Key_J, Qt::AltModifier);
        QCOMPARE(fired, 0);

        // Nothing is broken for good: the next registration that the desktop grants works.
        hotKeys.failWith.reset();
        QVERIFY(monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(fired, 1);
        QCOMPARE(log.lines().size(), 1);
    }

    void handlerRunsOnlyWhileItsContextLives()
    {
        FakeGlobalHotKey hotKeys;
        HotKeyMonitor monitor(hotKeys);
        QVERIFY(monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
        int first = 0;
        int second = 0;
        auto owner = std::make_unique<QObject>();
        monitor.setHandler(owner.get(), [&first] { ++first; });
        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(first, 1);

        // A new handler replaces the old one.
        monitor.setHandler(owner.get(), [&second] { ++second; });
        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(first, 1);
        QCOMPARE(second, 1);

        // Its owner gone, presses still reach the signal but no longer the handler.
        int signalled = 0;
        connect(&monitor, &HotKeyMonitor::fired, this, [&signalled] { ++signalled; });
        owner.reset();
        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(second, 1);
        QCOMPARE(signalled, 1);
    }

    void pressesForOtherKeysOrStaleIdsAreIgnored()
    {
        FakeGlobalHotKey hotKeys;
        HotKeyMonitor first(hotKeys);
        HotKeyMonitor second(hotKeys);
        int firstFired = 0;
        int secondFired = 0;
        first.setHandler(&first, [&firstFired] { ++firstFired; });
        second.setHandler(&second, [&secondFired] { ++secondFired; });
        QVERIFY(first.registerKey(Qt::Key_K, Qt::MetaModifier));
        QVERIFY(second.registerKey(Qt::Key_L, Qt::MetaModifier));
        const GlobalHotKey::Id firstId = hotKeys.held.firstKey();

        hotKeys.press(Qt::Key_L, Qt::MetaModifier);
        QCOMPARE(firstFired, 0);
        QCOMPARE(secondFired, 1);

        // A press the desktop reported just before the key was released arrives late.
        first.unregister();
        emit hotKeys.pressed(firstId);
        QCOMPARE(firstFired, 0);
        QCOMPARE(secondFired, 1);
    }

    void handlerMayEndTheMonitor()
    {
        FakeGlobalHotKey hotKeys;
        auto *monitor = new HotKeyMonitor(hotKeys);
        int fired = 0;
        QObject owner;
        monitor->setHandler(&owner, [&fired, &monitor] {
            ++fired;
            delete monitor;
            monitor = nullptr;
        });
        QVERIFY(monitor->registerKey(Qt::Key_K, Qt::MetaModifier));
        const GlobalHotKey::Id id = hotKeys.held.firstKey();
        hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(fired, 1);
        QVERIFY(!monitor);
        // Destruction gave the key back, and a press reported late reaches no one.
        QVERIFY(hotKeys.held.isEmpty());
        emit hotKeys.pressed(id);
        QCOMPARE(fired, 1);
    }
};

TAMSEL_TEST_MAIN(TestHotKeyMonitor)
#include "tst_hotkeymonitor.moc"
