#include "platform/linux/DesktopAppLauncher.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/DisplayEnvironment.h"

#include "support/AwaitTask.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>

#include <optional>

// Installed applications in private data folders: which entry a name finds, how its Exec line is
// split, and a real detached launch.
class TestDesktopAppLauncher : public QObject {
    Q_OBJECT

public:
    explicit TestDesktopAppLauncher(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;
    QString m_marker;

    void write(const QString &folder, const QString &relativePath, const QByteArray &body)
    {
        const QString path = QDir(folder).filePath("applications/" + relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray type = body.contains("Type=") ? QByteArray() : QByteArray("Type=Application\n");
        file.write("# written by the test\n[Desktop Entry]\n" + type + body);
    }

private slots:
    void initTestCase()
    {
        const QString user = m_env->dataHome();
        const QString system = m_env->home() + "/system";
        const QString vendor = m_env->home() + "/vendor";
        qputenv("XDG_DATA_DIRS", (system + ":relative/ignored:" + vendor).toUtf8());
        m_marker = m_env->home() + "/launched marker.txt";

        write(system, "org.example.Editor.desktop",
            "Name=Text Editor\nName[de]=Texteditor\nGenericName=Editor\n"
            "Exec=/bin/echo \"two words\" 'single q' %F 100%% --flag=%U \"quote \\\\\" inside\"\n"
            "[Desktop Action new]\nName=Ghost\nExec=/bin/false\n");
        write(vendor, "org.example.Editor.desktop", "Name=Text Editor\nExec=/bin/false\n");
        write(system, "kde/konsole.desktop", "Name=Konsole\nGenericName=Terminal\nExec=konsole\n");
        write(system, "hidden.desktop", "Name=Ghost\nHidden=true\nExec=/bin/true\n");
        write(system, "nodisplay.desktop", "Name=Shy\nNoDisplay=true\nExec=/bin/true\n");
        write(system, "link.desktop", "Name=Linky\nExec=/bin/true\nType=Link\n");
        write(system, "tryexec.desktop", "Name=Missing\nTryExec=/nonexistent/program\nExec=/bin/true\n");
        write(system, "noexec.desktop", "Name=Idle\n");
        write(user, "shadowed.desktop", "Name=Shadowed\nHidden=true\nExec=/bin/true\n");
        write(system, "shadowed.desktop", "Name=Shadowed\nExec=/bin/true\n");
        write(system, "big.desktop", "Name=Big\nExec=/bin/true\n#" + QByteArray(DesktopEntry::maxFileSize, 'x') + "\n");
        // $0 is the marker's path, $1 the quoted argument; the field code adds nothing. The last
        // fields are the display settings the child inherited.
        write(user, "marker.desktop",
            "Name=Marker Writer\nTryExec=sh\nExec=/bin/sh -c \"printf '%%s|' \\\\\"\\\\$@\\\\\" "
            "\\\\\"\\\\${QT_QPA_PLATFORM-unset}\\\\\" \\\\\"\\\\${QT_XCB_NO_MITSHM-unset}\\\\\" > \\\\\"\\\\$0\\\\\"\" "
            "\"" + m_marker.toUtf8()
                + "\" \"two words\" %U\n");
    }

    void findsEntriesByTheirNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("fileId");
        const auto row = [](const char *tag, const QString &name, const QString &fileId,
                             const QString &locale = "en_US") { QTest::newRow(tag) << name << locale << fileId; };
        row("Name", "text EDITOR", "org.example.Editor.desktop");
        row("localized Name", "texteditor", "org.example.Editor.desktop", "de_DE");
        row("other locale", "Texteditor", "");
        row("GenericName", "terminal", "kde-konsole.desktop");
        row("file id", "Org.Example.Editor.desktop", "org.example.Editor.desktop");
        row("file id without suffix", "kde-konsole", "kde-konsole.desktop");
        row("action names are not apps", "Ghost", "");
        row("NoDisplay", "Shy", "");
        row("not an application", "Linky", "");
        row("TryExec missing", "Missing", "");
        row("no Exec", "Idle", "");
        row("hidden by the user", "Shadowed", "");
        row("too large", "Big", "");
    }
    void findsEntriesByTheirNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, locale);
        QFETCH(QString, fileId);
        const auto match = DesktopAppLauncher::find(name, DesktopAppLauncher::applicationFolders(), locale);
        QCOMPARE(match ? match->fileId : QString(), fileId);
    }

    void splitsExecLikeTheStandardQuotes()
    {
        const auto editor = DesktopAppLauncher::find("Text Editor", DesktopAppLauncher::applicationFolders(), "en_US");
        QVERIFY(editor);
        // The system folder's entry, not the vendor folder's later one with the same id.
        QCOMPARE(editor->program, QString("/bin/echo"));
        QCOMPARE(editor->arguments, QStringList({ "two words", "single q", "100%", "--flag=", "quote \" inside" }));
        QCOMPARE(editor->workingDirectory, QDir::homePath());

        QCOMPARE(DesktopEntry::splitExec("prog \"open"), std::nullopt);
        QCOMPARE(DesktopEntry::splitExec("%U"), std::nullopt);
        QCOMPARE(DesktopEntry::splitExec("prog \"\" %i %c %k"), QStringList({ "prog", "" }));
        QCOMPARE(DesktopEntry::splitExec("  a\\b  \"\\$HOME\\`x\\`\" "), QStringList({ "a\\b", "$HOME`x`" }));
    }

    void launchesTheMatchDetached()
    {
        // As under Wayland: the program runs on xcb, what it starts does not.
        qputenv("WAYLAND_DISPLAY", "wayland-test");
        qputenv("DISPLAY", ":99");
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("QT_XCB_NO_MITSHM");
        DisplayEnvironment::prepare();
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
        QCOMPARE(qgetenv("QT_XCB_NO_MITSHM"), QByteArray("1"));
        DisplayEnvironment::keepFromChildren();

        DesktopAppLauncher launcher;
        const ApplicationLauncher::Launch launch = awaitTask(launcher.launch("marker writer"));
        QCOMPARE(launch.outcome, ApplicationLauncher::Launch::Outcome::Launched);
        QFile marker(m_marker);
        QTRY_VERIFY(marker.exists() && marker.size() > 0);
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), QByteArray("two words|unset|unset|"));

        const auto missing = awaitTask(launcher.launch("x; rm -rf ~"));
        QCOMPARE(missing.outcome, ApplicationLauncher::Launch::Outcome::NotFound);
    }
};

TAMSEL_TEST_MAIN(TestDesktopAppLauncher)
#include "tst_desktopapplauncher.moc"
