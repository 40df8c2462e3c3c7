#include "platform/linux/X11GlobalHotKey.h"
#include "services/HotKeyMonitor.h"

#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QSignalSpy>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {
// Types keys on the display as a user would, through the XTEST extension.
void typeKeys(const QString &keys)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), { QStringLiteral("key"), keys });
    QVERIFY2(xdotool.waitForFinished(5000), qPrintable(keys));
    QCOMPARE(xdotool.exitCode(), 0);
}

// Types Super+F9, registered for the purpose, and waits for its report: presses arrive in order,
// so the keys typed before it have been handled by then.
void typeMarker(GlobalHotKey &hotKeys)
{
    const GlobalHotKey::RegisterResult marker = hotKeys.registerKey(Qt::Key_F9, Qt::MetaModifier);
    QVERIFY(marker);
    QSignalSpy pressed(&hotKeys, &GlobalHotKey::pressed);
    typeKeys(QStringLiteral("super+F9"));
    QTRY_VERIFY(!pressed.isEmpty() && pressed.last().first().value<GlobalHotKey::Id>() == marker.value());
    hotKeys.unregisterKey(marker.value());
}

// Another X client on the same display, to hold keys the way another program would.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    bool isConnected() const { return !xcb_connection_has_error(m_connection); }

    // Grabs Super+K, with the lock modifiers given; returns the X error code, or 0 when it took.
    int grabSuperK(quint16 locks = 0)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, XK_k);
        const xcb_keycode_t keycode = codes ? codes[0] : xcb_keycode_t(0);
        std::free(codes);
        xcb_key_symbols_free(symbols);
        xcb_generic_error_t *error = xcb_request_check(m_connection,
            xcb_grab_key_checked(
                m_connection, 0, m_root, XCB_MOD_MASK_4 | locks, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

    // The modifier and lock state the server holds now.
    quint16 modifierState()
    {
        xcb_query_pointer_reply_t *reply
            = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const quint16 mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_WINDOW_NONE;
};
}

// Global keys on the real X server: presses typed through XTEST, grabs held by a second client.
class TestGuiX11HotKey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(X11GlobalHotKey().isAvailable(), "needs the xcb platform on an X display"); }

    void pressIsReportedWhateverTheLocks_data()
    {
        QTest::addColumn<QString>("lockKey");
        QTest::addColumn<int>("lockMask");
        QTest::newRow("no lock") << QString() << 0;
        QTest::newRow("NumLock") << "Num_Lock" << int(XCB_MOD_MASK_2);
        QTest::newRow("CapsLock") << "Caps_Lock" << int(XCB_MOD_MASK_LOCK);
    }

    void pressIsReportedWhateverTheLocks()
    {
        QFETCH(QString, lockKey);
        QFETCH(int, lockMask);
        X11GlobalHotKey hotKeys;
        HotKeyMonitor monitor(hotKeys);
        QObject owner;
        int fired = 0;
        monitor.setHandler(&owner, [&fired] { ++fired; });
        QVERIFY(monitor.registerKey(Qt::Key_K, Qt::MetaModifier));

        OtherClient observer;
        if (!lockKey.isEmpty()) {
            typeKeys(lockKey);
            QTRY_VERIFY(observer.modifierState() & lockMask);
        }
        auto unlock = qScopeGuard([&] {
            if (!lockKey.isEmpty())
                typeKeys(lockKey);
        });

        typeKeys(QStringLiteral("super+k"));
        QTRY_COMPARE(fired, 1);
        // Neither the key alone nor another key with Super counts.
        typeKeys(QStringLiteral("k"));
        typeKeys(QStringLiteral("super+j"));
        typeMarker(hotKeys);
        QCOMPARE(fired, 1);
    }

    void keyTakenByAnotherProgramFailsAndLeavesItsGrab()
    {
        X11GlobalHotKey hotKeys;
        HotKeyMonitor monitor(hotKeys);
        int fired = 0;
        monitor.setHandler(&monitor, [&fired] { ++fired; });
        {
            OtherClient other;
            QVERIFY(other.isConnected());
            QCOMPARE(other.grabSuperK(), 0);

            LogCapture log;
            QVERIFY(!monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
            QCOMPARE(log.lines(),
                QStringList { "HotKeyMonitor: grabbing Super+K failed: the key is already taken by another program" });
            QVERIFY(!monitor.isRegistered());

            // The other program's grab survived our attempt: the press goes to it, not to us.
            typeKeys(QStringLiteral("super+k"));
            typeMarker(hotKeys);
            QCOMPARE(fired, 0);

            // The lock variants, which nobody else held, were given back rather than kept.
            OtherClient third;
            QCOMPARE(third.grabSuperK(XCB_MOD_MASK_2), 0);
            QCOMPARE(third.grabSuperK(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);
        }
        // The other program gone, the key can be had.
        QVERIFY(monitor.registerKey(Qt::Key_K, Qt::MetaModifier));
        typeKeys(QStringLiteral("super+k"));
        QTRY_COMPARE(fired, 1);
    }

    void releasedKeyIsFreeForOthers()
    {
        auto hotKeys = std::make_unique<X11GlobalHotKey>();
        QSignalSpy pressed(hotKeys.get(), &GlobalHotKey::pressed);
        const GlobalHotKey::RegisterResult first = hotKeys->registerKey(Qt::Key_K, Qt::MetaModifier);
        const GlobalHotKey::RegisterResult second = hotKeys->registerKey(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(first && second);
        QVERIFY(first.value() != second.value());

        OtherClient other;
        QCOMPARE(other.grabSuperK(), 10); // BadAccess: we hold it

        // One press reaches both registrations.
        typeKeys(QStringLiteral("super+k"));
        QTRY_COMPARE(pressed.size(), 2);

        // Still held while one registration remains.
        hotKeys->unregisterKey(first.value());
        QCOMPARE(other.grabSuperK(), 10);

        // Destruction releases the rest, through the same path as unregistering.
        hotKeys.reset();
        QCOMPARE(other.grabSuperK(), 0);
    }
};

TAMSEL_TEST_MAIN(TestGuiX11HotKey)
#include "tst_gui_x11hotkey.moc"
