#include "app/AskCoordinator.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "platform/linux/PortalGlobalHotKey.h"

#include "support/AppHarness.h"
#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTimer>

namespace {
const QString service = "org.freedesktop.portal.Desktop";
const QString path = "/org/freedesktop/portal/desktop";
const QString interface = "org.freedesktop.portal.GlobalShortcuts";

// The desktop's GlobalShortcuts portal as a client sees it: each call answers with a request path,
// then a Response signal on that path, sent from the portal's own bus connection.
class FakeShortcutsPortal : public QDBusVirtualObject {
public:
    explicit FakeShortcutsPortal(QDBusConnection bus)
        : m_bus(bus)
    {
    }

    QString failWith; // an error name every call answers with, when set
    QString session;
    QString boundSession;
    QMap<QString, QVariantMap> shortcuts; // as the last BindShortcuts gave them, by id

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != interface)
            return false;
        if (!failWith.isEmpty()) {
            connection.send(message.createErrorReply(failWith, "the portal is broken today"));
            return true;
        }
        const QList<QVariant> arguments = message.arguments();
        QVariantMap results;
        if (message.member() == "CreateSession") {
            session = path + "/session/x/"
                + qdbus_cast<QVariantMap>(arguments.at(0)).value("session_handle_token").toString();
            results.insert("session_handle", session);
        } else if (message.member() == "BindShortcuts") {
            boundSession = arguments.at(0).value<QDBusObjectPath>().path();
            shortcuts.clear();
            const QDBusArgument list = arguments.at(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                shortcuts.insert(id, properties);
            }
            list.endArray();
        } else {
            return false;
        }
        QString sender = message.service().mid(1);
        sender.replace('.', '_');
        const QString token = qdbus_cast<QVariantMap>(arguments.constLast()).value("handle_token").toString();
        const QString request = path + "/request/" + sender + "/" + token;
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        response << 0u << results;
        m_bus.send(response);
        return true;
    }

    void activate(const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

private:
    QDBusConnection m_bus;
};
}

// Super+K in a Wayland session, through a fake GlobalShortcuts portal on the test's session bus.
class TestPortalHotKey : public QObject {
    Q_OBJECT

public:
    explicit TestPortalHotKey(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;
    QDBusConnection m_portalBus { QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal") };
    FakeShortcutsPortal m_portal { m_portalBus };

private slots:
    void initTestCase()
    {
        if (!m_portalBus.isConnected())
            QSKIP("needs a session bus (scripts/headless-session.sh)");
        QVERIFY(m_portalBus.registerVirtualObject(path, &m_portal, QDBusConnection::SubPath));
    }
    void init()
    {
        m_env->reset();
        m_portal.failWith.clear();
        QVERIFY(m_portalBus.registerService(service));
    }
    void cleanup() { m_portalBus.unregisterService(service); }

    void superKIsBoundAndTogglesTheAskPrompt()
    {
        PortalGlobalHotKey hotKeys;
        AppHarness app(m_env, ":/BundledPet", &hotKeys);
        app.launch();
        QTRY_VERIFY(hotKeys.isBound());
        QCOMPARE(m_portal.boundSession, m_portal.session);
        QCOMPARE(m_portal.shortcuts.size(), 1);
        const QString id = m_portal.shortcuts.firstKey();
        QCOMPARE(m_portal.shortcuts.first().value("preferred_trigger").toString(), QString("LOGO+k"));

        m_portal.activate(id);
        QTRY_VERIFY(app.coordinator->ask().isOpen());
        m_portal.activate(id);
        QTRY_VERIFY(!app.coordinator->ask().isOpen());
    }

    void withoutThePortalOneLineAndCtrlDoubleClickStillWorks_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<QString>("error");
        QTest::newRow("no portal") << false << QString("org.freedesktop.DBus.Error.ServiceUnknown");
        QTest::newRow("no such interface") << true << QString("org.freedesktop.DBus.Error.UnknownMethod");
        QTest::newRow("portal fails") << true << QString("org.freedesktop.portal.Error.Failed");
    }

    void withoutThePortalOneLineAndCtrlDoubleClickStillWorks()
    {
        QFETCH(bool, portal);
        QFETCH(QString, error);
        if (!portal)
            m_portalBus.unregisterService(service);
        m_portal.failWith = error;
        LogCapture log;
        PortalGlobalHotKey hotKeys;
        QSignalSpy finished(&hotKeys, &PortalGlobalHotKey::bindingFinished);
        AppHarness app(m_env, ":/BundledPet", &hotKeys);
        app.launch();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), false);
        QStringList lines = log.lines().filter("PortalGlobalHotKey binding failed");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains("tamsel --ask"), qPrintable(lines.first()));

        QVERIFY(app.coordinator->session());
        emit app.pet().window().spriteView()->ctrlDoubleClicked();
        QVERIFY(app.coordinator->ask().isOpen());
    }
};

TAMSEL_TEST_MAIN(TestPortalHotKey)
#include "tst_gui_portalhotkey.moc"
