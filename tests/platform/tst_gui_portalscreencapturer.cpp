#include "platform/linux/PortalScreenCapturer.h"

#include "support/AwaitTask.h"
#include "support/TestMain.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QTimer>

using Capture = ScreenCapturer::Capture;
using Outcome = Capture::Outcome;
Q_DECLARE_METATYPE(ScreenCapturer::Capture::Outcome)

namespace {
const QString service = "org.freedesktop.portal.Desktop";

// The desktop's Screenshot portal as far as a client sees it: a request path in the reply, then a
// Response signal on that path, sent from its own bus connection.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    explicit FakePortal(QDBusConnection bus)
        : m_bus(bus)
    {
    }

    uint response = 0;
    QVariantMap results;
    QVariantMap options;

public slots:
    QDBusObjectPath Screenshot(const QString &, const QVariantMap &requestOptions)
    {
        options = requestOptions;
        QString sender = message().service().mid(1);
        sender.replace('.', '_');
        const QString path
            = "/org/freedesktop/portal/desktop/request/" + sender + "/" + requestOptions["handle_token"].toString();
        // Like the real portal, answer after the reply has gone out.
        QTimer::singleShot(20, this, [this, path] {
            QDBusMessage signal = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
            signal << response << results;
            m_bus.send(signal);
        });
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
};
}

class TestPortalScreenCapturer : public QObject {
    Q_OBJECT

public:
    explicit TestPortalScreenCapturer(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;
    QDBusConnection m_portalBus { QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal") };
    std::unique_ptr<FakePortal> m_portal;

private slots:
    void initTestCase()
    {
        if (!m_portalBus.isConnected())
            QSKIP("needs a session bus (scripts/headless-session.sh)");
        m_portal = std::make_unique<FakePortal>(m_portalBus);
        QVERIFY(m_portalBus.registerObject(
            "/org/freedesktop/portal/desktop", m_portal.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(m_portalBus.registerService(service));
    }

    void answersAreInterpreted_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::addColumn<uint>("response");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("picture") << false << 0u << "shot.png" << Outcome::Captured;
        QTest::newRow("selection dismissed") << true << 1u << "" << Outcome::Cancelled;
        QTest::newRow("request dismissed") << false << 1u << "" << Outcome::Refused;
        QTest::newRow("denied") << false << 2u << "" << Outcome::Refused;
        QTest::newRow("no picture") << false << 0u << "" << Outcome::Failed;
        QTest::newRow("not a picture") << false << 0u << "notes.txt" << Outcome::Failed;
    }
    void answersAreInterpreted()
    {
        QFETCH(bool, selection);
        QFETCH(uint, response);
        QFETCH(QString, file);
        QFETCH(Outcome, outcome);
        QImage(64, 48, QImage::Format_RGB32).save(QDir(m_env->home()).filePath("shot.png"));
        QFile text(QDir(m_env->home()).filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not an image") > 0);
        text.close();
        m_portal->response = response;
        m_portal->results = file.isEmpty()
            ? QVariantMap()
            : QVariantMap { { "uri", QUrl::fromLocalFile(QDir(m_env->home()).filePath(file)).toString() } };

        PortalScreenCapturer capturer;
        const Capture capture = awaitTask(capturer.capture(selection));
        QCOMPARE(capture.outcome, outcome);
        QCOMPARE(m_portal->options.value("interactive").toBool(), selection);
        if (outcome == Outcome::Captured)
            QCOMPARE(capture.image.size(), QSize(64, 48));
        if (outcome == Outcome::Failed)
            QVERIFY(!capture.reason.isEmpty());
    }

    void missingPortalIsAFailure()
    {
        QVERIFY(m_portalBus.unregisterService(service));
        PortalScreenCapturer capturer;
        const Capture capture = awaitTask(capturer.capture(false));
        QCOMPARE(capture.outcome, Outcome::Failed);
        QVERIFY2(
            capture.reason.startsWith("the desktop's screenshot service isn't available"), qPrintable(capture.reason));
    }
};

TAMSEL_TEST_MAIN(TestPortalScreenCapturer)
#include "tst_gui_portalscreencapturer.moc"
