#include "platform/linux/DesktopEntry.h"
#include "platform/linux/XdgAutostartLoginItem.h"

#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QFile>
#include <QProcess>

// The autostart entry written for real into a private XDG_CONFIG_HOME.
class TestXdgAutostartLoginItem : public QObject {
    Q_OBJECT

public:
    explicit TestXdgAutostartLoginItem(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;
    const QString m_id = QStringLiteral("app.tamsel.Tamsel");

private slots:
    void init()
    {
        m_env->reset();
        qputenv("XDG_CONFIG_HOME", m_env->configHome().toUtf8());
    }

    void writesAValidEntryThatNamesTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::newRow("plain") << "/usr/bin/tamsel";
        QTest::newRow("reserved characters") << R"(/opt/My "Pets" $HOME\x 100%/tam`sel)";
    }
    void writesAValidEntryThatNamesTheExecutable()
    {
        QFETCH(QString, executable);
        XdgAutostartLoginItem item(m_id, executable);
        QCOMPARE(item.entryPath(), m_env->configHome() + "/autostart/app.tamsel.Tamsel.desktop");
        QVERIFY(item.setEnabled(true).succeeded);
        QVERIFY(item.isEnabled());

        QProcess validate;
        validate.start("desktop-file-validate", { item.entryPath() });
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());

        const auto entry = DesktopEntry::read(item.entryPath());
        QVERIFY(entry);
        QCOMPARE(DesktopEntry::splitExec(entry->value("Exec")), QStringList { executable });
        QCOMPARE(entry->value("TryExec"), executable);

        // Enabling again leaves the file as it is; disabling removes it.
        PetFixtures::writeFile(item.entryPath(), PetFixtures::readFile(item.entryPath()) + "# kept\n");
        QVERIFY(item.setEnabled(true).succeeded);
        QVERIFY(PetFixtures::readFile(item.entryPath()).endsWith("# kept\n"));
        QVERIFY(item.setEnabled(false).succeeded);
        QVERIFY(!QFile::exists(item.entryPath()));
    }

    void onlyAnEntryStartingThisExecutableCounts_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("ours") << QByteArray("Exec=/usr/bin/tamsel\n") << true;
        QTest::newRow("hidden") << QByteArray("Exec=/usr/bin/tamsel\nHidden=true\n") << false;
        QTest::newRow("switched off in GNOME")
            << QByteArray("Exec=/usr/bin/tamsel\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("another copy") << QByteArray("Exec=/home/u/old/tamsel --x\n") << false;
    }
    void onlyAnEntryStartingThisExecutableCounts()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, enabled);
        XdgAutostartLoginItem item(m_id, "/usr/bin/tamsel");
        const QByteArray text = "[Desktop Entry]\nType=Application\nName=Tamsel\n" + lines;
        PetFixtures::writeFile(item.entryPath(), text);
        QCOMPARE(item.isEnabled(), enabled);
        // Disabling removes only an entry of ours that is switched on; the others stay as they were.
        QVERIFY(item.setEnabled(false).succeeded);
        QCOMPARE(QFile::exists(item.entryPath()), !enabled);
    }

    void refusesWithAReasonNamingTheFolder_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<bool>("fileInTheWay");
        QTest::addColumn<QString>("named");
        QTest::newRow("temporary folder") << "/tmp/unpacked/tamsel" << false << "/tmp/unpacked";
        QTest::newRow("autostart folder is a file") << "/usr/bin/tamsel" << true << "autostart";
    }
    void refusesWithAReasonNamingTheFolder()
    {
        QFETCH(QString, executable);
        QFETCH(bool, fileInTheWay);
        QFETCH(QString, named);
        if (fileInTheWay)
            PetFixtures::writeFile(XdgAutostartLoginItem::autostartFolder(), "not a folder");
        XdgAutostartLoginItem item(m_id, executable);
        const auto change = item.setEnabled(true);
        QVERIFY(!change.succeeded);
        QVERIFY2(change.failureReason.contains(fileInTheWay ? XdgAutostartLoginItem::autostartFolder() : named),
            qPrintable(change.failureReason));
        QVERIFY(!item.isEnabled());
    }
};

TAMSEL_TEST_MAIN(TestXdgAutostartLoginItem)
#include "tst_xdgautostartloginitem.moc"
