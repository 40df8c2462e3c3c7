#include "llm/AskAgent.h"
#include "llm/ToolHost.h"
#include "llm/ToolRegistry.h"
#include "pets/PetPackage.h"
#include "platform/UrlOpener.h"
#include "settings/SettingsStore.h"
#include "userdata/NoteStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"

#include "support/AwaitTask.h"
#include "support/FakeApplicationLauncher.h"
#include "support/FakeClipboard.h"
#include "support/FakeClock.h"
#include "support/FakeScreenCapturer.h"
#include "support/FrameAtlas.h"
#include "support/TestMain.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <qcoro/qcorotimer.h>

#include <chrono>
#include <memory>
#include <optional>

using Capture = ScreenCapturer::Capture;
Q_DECLARE_METATYPE(ScreenCapturer::Capture)
Q_DECLARE_METATYPE(Reminder::Repeat)

namespace {
class FakeUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return succeeds;
    }
    QList<QUrl> opened;
    bool succeeds = true;
};

// Takes a while, like a person choosing a region.
class SlowCapturer final : public ScreenCapturer {
public:
    QCoro::Task<Capture> capture(bool) override
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(50));
        co_return Capture::captured(QImage(4, 4, QImage::Format_RGB32));
    }
};

class FakeHost final : public ToolHost {
public:
    FakeHost(SettingsStore &settings, Clock &clock, const QString &notesPath)
        : reminders(settings)
        , notes(notesPath, clock)
        , maps(settings)
    {
    }
    ReminderStore &reminderStore() override { return reminders; }
    NoteStore &noteStore() override { return notes; }
    PetAnimationMapStore &animationMapStore() override { return maps; }
    const PetPackage *currentPackage() const override { return package ? &*package : nullptr; }
    SpriteSheetDecoder *spriteDecoder() const override { return decoder.get(); }
    void playRowOneShot(int row) override { played.append(row); }

    ReminderStore reminders;
    NoteStore notes;
    PetAnimationMapStore maps;
    std::optional<PetPackage> package;
    std::shared_ptr<SpriteSheetDecoder> decoder;
    QList<int> played;
};

// A registry on real stores in the test's private home, with every platform seam faked. Times
// are read in Berlin and printed the American way.
struct Fixture {
    explicit Fixture(TestEnvironment *env)
        : settings(env->settingsFilePath())
        , host(settings, clock, QDir(env->home()).filePath("notes.json"))
        , registry(host, { &capturer, &launcher, &clipboard, &opener, &clock })
    {
        registry.setTimeZone(QTimeZone("Europe/Berlin"));
        registry.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // The text the model would read for the call, tag included.
    QString call(const QString &name, const QString &arguments = "{}")
    {
        return AskAgent::tagToolResult(awaitTask(registry.execute({ "call-1", name, arguments })));
    }
    QString call(const QString &name, const QJsonObject &arguments)
    {
        return call(name, QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)));
    }

    FakeClock clock;
    SettingsStore settings;
    FakeHost host;
    FakeScreenCapturer capturer;
    FakeApplicationLauncher launcher;
    FakeClipboard clipboard;
    FakeUrlOpener opener;
    ToolRegistry registry;
};
}

class TestToolRegistry : public QObject {
    Q_OBJECT

public:
    explicit TestToolRegistry(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void offersTheEightToolsInOrder()
    {
        Fixture f(m_env);
        const QList<ToolSpec> specs = f.registry.specs();
        QStringList names;
        for (const ToolSpec &tool : specs)
            names.append(tool.name);
        QCOMPARE(names,
            QStringList({ "take_screenshot", "add_reminder", "get_clipboard", "play_animation", "save_note",
                "recall_notes", "open_url_or_app", "web_search" }));
        QCOMPARE(specs.at(1).parameters["properties"]["repeats"]["enum"].toArray(),
            QJsonArray({ "none", "daily", "weekly", "hourly", "every_minute" }));
        QCOMPARE(specs.at(2).parameters["required"].toArray(), QJsonArray());
    }

    void readsArgumentsLeniently()
    {
        Fixture f(m_env);
        f.clipboard.textContent = "hello";
        for (const char *malformed : { "not json", "[\"cats\"]", "{\"query\": 7}", "{\"query\": \" \\t\"}" }) {
            QCOMPARE(f.call("web_search", malformed), QString("[ERROR] Need a search query."));
            // A tool without arguments runs all the same.
            QCOMPARE(f.call("get_clipboard", malformed), QString("[OK] Clipboard text:\nhello"));
        }
        QCOMPARE(f.call("web_search", R"({"query": " cats "})"), QString("[OK] Opened Google search for 'cats'."));
        QCOMPARE(f.call("dance"), QString("[ERROR] Unknown tool: dance"));
    }

    void takesScreenshots_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<Capture>("capture");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<bool>>("requests");
        const Capture picture = Capture::captured(QImage(40, 30, QImage::Format_RGB32));
        const auto row
            = [](const char *tag, const QString &arguments, const Capture &capture, const QString &expected,
                  const QList<bool> &requests) { QTest::newRow(tag) << arguments << capture << expected << requests; };
        row("capital C", R"({"target": "Clipboard"})", picture,
            "[OK] Unknown target 'Clipboard'. Use clipboard or desktop.", {});
        row("default target", "{}", picture, "[OK] Saved to clipboard.", { false });
        row("selection", R"({"target": "clipboard", "selection": true})", picture, "[OK] Saved to clipboard.",
            { true });
        row("cancelled", R"({"selection": true})", Capture::cancelled(),
            "[ERROR] Screenshot cancelled \u2014 no region was selected.", { true });
        row("failed", "{}", Capture::failed("no screen could be read"),
            "[ERROR] Couldn't take the screenshot: no screen could be read.", { false });
        row("refused", "{}", Capture::refused(),
            "[ERROR] PERMISSION_REQUIRED: Screenshots aren't allowed for tamsel yet. Your desktop just asked \u2014 "
            "open "
            "your desktop's privacy settings for screenshots, allow tamsel, then ask me to try again.",
            { false });
        row("no desktop folder", R"({"target": "desktop"})", picture, "[ERROR] Couldn't resolve the Desktop folder.",
            {});
    }
    void takesScreenshots()
    {
        QFETCH(QString, arguments);
        QFETCH(Capture, capture);
        QFETCH(QString, expected);
        QFETCH(QList<bool>, requests);
        Fixture f(m_env);
        f.capturer.next = capture;
        QCOMPARE(f.call("take_screenshot", arguments), expected);
        QCOMPARE(f.capturer.requests, requests);
        QCOMPARE(f.clipboard.image.isNull(), !expected.endsWith("Saved to clipboard."));
    }

    void screenshotOutlivesTheRegistry()
    {
        Fixture f(m_env);
        SlowCapturer slow;
        auto registry = std::make_unique<ToolRegistry>(
            f.host, ToolRegistry::Platform { &slow, nullptr, &f.clipboard, nullptr, nullptr });
        QCoro::Task<QString> pending = registry->execute({ "1", "take_screenshot", "{}" });
        registry.reset();
        QCOMPARE(awaitTask(std::move(pending)), QString("Couldn't finish: the app is closing."));
        QVERIFY(f.clipboard.image.isNull());
    }

    void addsReminders_data()
    {
        QTest::addColumn<QJsonObject>("arguments");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QDateTime>("fireDate");
        QTest::addColumn<Reminder::Repeat>("repeats");
        const QString set = "[OK] Reminder set: \"Stretch\" for ";
        const QDateTime berlin1530(QDate(2026, 5, 22), QTime(13, 30), Qt::UTC);
        const auto row = [](const char *tag, const QJsonObject &arguments, const QString &answer,
                             const QDateTime &fireDate = {}, Reminder::Repeat repeats = Reminder::Repeat::None) {
            QTest::newRow(tag) << arguments << answer << fireDate << repeats;
        };
        row("no zone: the user's", { { "title", " Stretch\t" }, { "when_iso", "2026-05-22T15:30:00" } },
            set + "May 22, 2026, 3:30 PM.", berlin1530);
        row("Z: universal", { { "title", "Stretch" }, { "when_iso", "2026-05-22T15:30:00Z" }, { "repeats", "daily" } },
            set + "May 22, 2026, 5:30 PM.", QDateTime(QDate(2026, 5, 22), QTime(15, 30), Qt::UTC),
            Reminder::Repeat::Daily);
        row("Daily is not daily",
            { { "title", "Stretch" }, { "when_iso", "2026-05-22T15:30:00" }, { "repeats", "Daily" } },
            set + "May 22, 2026, 3:30 PM.", berlin1530);
        row("words", { { "title", "Stretch" }, { "when_iso", "tomorrow 3pm" } },
            "[ERROR] Couldn't parse 'tomorrow 3pm' as a date.");
        row("blank title", { { "title", "  " }, { "when_iso", "2026-05-22T15:30:00" } },
            "[ERROR] Need a title for the reminder.");
        row("no time", { { "title", "Stretch" }, { "when_iso", 1779456600 } }, "[ERROR] Need an ISO 8601 fire time.");
    }
    void addsReminders()
    {
        QFETCH(QJsonObject, arguments);
        QFETCH(QString, answer);
        QFETCH(QDateTime, fireDate);
        QFETCH(Reminder::Repeat, repeats);
        Fixture f(m_env);
        QCOMPARE(f.call("add_reminder", arguments), answer);
        const QList<Reminder> stored = ReminderStore(f.settings).reminders();
        QCOMPARE(stored.size(), fireDate.isValid() ? 1 : 0);
        if (!fireDate.isValid())
            return;
        const Reminder &reminder = stored.first();
        QCOMPARE(reminder.title, QString("Stretch"));
        QCOMPARE(reminder.fireDate, fireDate);
        QCOMPARE(reminder.repeats, repeats);
        QVERIFY(reminder.enabled && !reminder.lastFiredAt && !reminder.animationRow);
    }

    void playsNamedAnimations_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<int>>("played");
        auto row = [](const char *name, const QString &asked, const QString &answer, const QList<int> &played) {
            QTest::newRow(name) << asked << answer << played;
        };
        row("exact beats an earlier near match", "wave", "[OK] Played 'Wave '.", { 2 });
        row("near: contains", "HELLO", "[OK] Played 'wave hello'.", { 1 });
        row("near: contained", "wave hello there", "[OK] Played 'wave hello'.", { 1 });
        row("named row without frames", "jump",
            "[ERROR] No animation named 'jump'. Configure names in Preferences \u2192 Animations.", {});
        row("blank", " ", "[ERROR] Need an animation name.", {});
    }
    void playsNamedAnimations()
    {
        QFETCH(QString, name);
        QFETCH(QString, answer);
        QFETCH(QList<int>, played);
        Fixture f(m_env);
        f.host.decoder = FrameAtlas::decoder({ 1, 2, 2, 0 });
        f.host.package = PetPackage { FrameAtlas::manifest(), "/nowhere" };
        const QString pet = FrameAtlas::manifest().id;
        f.host.maps.setMapping(pet, 1, { "wave hello", {} });
        f.host.maps.setMapping(pet, 2, { "Wave ", {} });
        f.host.maps.setMapping(pet, 3, { "jump", {} });
        QCOMPARE(f.call("play_animation", QJsonObject { { "name", name } }), answer);
        QCOMPARE(f.host.played, played);
    }

    void readsTheClipboardByCharacters()
    {
        Fixture f(m_env);
        QCOMPARE(f.call("get_clipboard"), QString("[OK] Clipboard is empty (or has no text)."));
        // A thumbs-up with a skin tone is four UTF-16 units but one character.
        const QString thumbs = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
        f.clipboard.textContent = thumbs + QString(4999, 'a');
        QCOMPARE(f.call("get_clipboard"), "[OK] Clipboard text:\n" + thumbs + QString(3999, 'a'));
        f.clipboard.textContent = QString(3999, 'b') + "e\u0301x";
        QCOMPARE(f.call("get_clipboard"), "[OK] Clipboard text:\n" + QString(3999, 'b') + "e\u0301");
    }

    void savesAndRecallsNotes()
    {
        Fixture f(m_env);
        QCOMPARE(f.call("recall_notes"), QString("[ERROR] No notes saved yet."));
        QCOMPARE(f.call("recall_notes", R"({"query": ""})"), QString("[ERROR] No notes match ''."));
        QCOMPARE(
            f.call("save_note", R"({"title": "x", "content": " \t"})"), QString("[ERROR] Note content was empty."));
        QCOMPARE(f.call("save_note", R"({"content": "buy milk"})"), QString("[OK] Saved note 'Untitled'."));
        f.clock.advanceSeconds(86400);
        QCOMPARE(
            f.call("save_note", R"({"title": " Door ", "content": "code 4711"})"), QString("[OK] Saved note 'Door'."));
        QCOMPARE(f.call("recall_notes"), QString("[OK] [3/3/26] Door: code 4711\n[3/2/26] Untitled: buy milk"));
        QCOMPARE(f.call("recall_notes", R"({"query": "MILK"})"), QString("[OK] [3/2/26] Untitled: buy milk"));
        QCOMPARE(f.call("recall_notes", R"({"query": "bread"})"), QString("[ERROR] No notes match 'bread'."));
    }

    void opensLinksAndApps_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("answer");
        // "open <url>" or "launch <name>" when the platform is asked for something.
        QTest::addColumn<QString>("effect");
        auto row = [](const char *name, const QString &target, const QString &answer, const QString &effect) {
            QTest::newRow(name) << target << answer << effect;
        };
        const QString refused = "[ERROR] Refused to open a %1: link. Only web and mail links are allowed.";
        row("mail", "mailto:someone", "[OK] Opened mailto:someone.", "open mailto:someone");
        row("web", " https://example.com/a?b=c ", "[OK] Opened https://example.com/a?b=c.",
            "open https://example.com/a?b=c");
        row("file, any case", "FILE:///etc/passwd", refused.arg("file"), "");
        row("bare domain", "example.com/docs", "[OK] Opened https://example.com/docs.",
            "open https://example.com/docs");
        row("app", "Firefox", "[OK] Opened Firefox.", "launch Firefox");
        row("dot and space", "Foo 2.0", "[ERROR] Couldn't find an app named 'Foo 2.0'.", "launch Foo 2.0");
        row("command line", "x; rm -rf ~", "[ERROR] Couldn't find an app named 'x; rm -rf ~'.", "launch x; rm -rf ~");
        row("blank", "\t", "[ERROR] Need a URL or app name.", "");
    }
    void opensLinksAndApps()
    {
        QFETCH(QString, target);
        QFETCH(QString, answer);
        QFETCH(QString, effect);
        Fixture f(m_env);
        f.launcher.installed = QStringList { "Firefox" };
        QCOMPARE(f.call("open_url_or_app", QJsonObject { { "target", target } }), answer);
        QStringList effects;
        for (const QUrl &url : std::as_const(f.opener.opened))
            effects.append("open " + url.toString());
        for (const QString &name : std::as_const(f.launcher.launched))
            effects.append("launch " + name);
        QCOMPARE(effects.join(", "), effect);
    }

    void reportsOpenAndLaunchFailures()
    {
        Fixture f(m_env);
        f.opener.succeeds = false;
        QCOMPARE(
            f.call("open_url_or_app", R"({"target": "example.com"})"), QString("[ERROR] Couldn't open example.com."));
        QCOMPARE(f.call("web_search", R"({"query": "cats"})"), QString("[ERROR] Couldn't open the browser."));
        f.launcher.failure = "permission denied.";
        QCOMPARE(f.call("open_url_or_app", R"({"target": "Firefox"})"),
            QString("[ERROR] Couldn't launch Firefox: permission denied."));
    }

    void encodesSearchQueries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("reserved") << "a+b=c#d & e"
                                  << QByteArray("https://www.google.com/search?q=a%2Bb%3Dc%23d%20%26%20e");
        QTest::newRow("kept") << "what's 1/2?" << QByteArray("https://www.google.com/search?q=what's%201/2?");
        QTest::newRow("unicode") << "café" << QByteArray("https://www.google.com/search?q=caf%C3%A9");
    }
    void encodesSearchQueries()
    {
        QFETCH(QString, query);
        QFETCH(QByteArray, url);
        Fixture f(m_env);
        QCOMPARE(
            f.call("web_search", QJsonObject { { "query", query } }), "[OK] Opened Google search for '" + query + "'.");
        QCOMPARE(f.opener.opened.size(), 1);
        QCOMPARE(f.opener.opened.first().toEncoded(), url);
    }
};

TAMSEL_TEST_MAIN(TestToolRegistry)
#include "tst_toolregistry.moc"
