#include "app/AppWindows.h"
#include "app/BehaviorDirector.h"
#include "behavior/AnimationPlayer.h"
#include "behavior/IdleChatter.h"
#include "llm/ToolRegistry.h"
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"
#include "services/HotKeyMonitor.h"
#include "settings/SettingsKeys.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"

#include "support/AppHarness.h"
#include "support/TestMain.h"

#include <QScreen>
#include <QWidget>

// The coordinator obeying the behaviour engine on a real display: the rows it hands the engine,
// strolls moving the window, gestures cancelling them and the idle check (the hot key: see
// tst_gui_portalhotkey).
class TestAppBehavior : public QObject {
    Q_OBJECT

public:
    explicit TestAppBehavior(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    using Pick = BehaviorEngine::ActionPick;

    static QRect available(AppHarness &app) { return app.pet().window().screen()->availableGeometry(); }

    // Runs stroll ticks 1/60 s apart until the stroll ends; returns the window's x after each.
    static QList<int> walk(AppHarness &app)
    {
        QList<int> xs;
        BehaviorDirector &behavior = app.pet().behavior();
        for (int i = 0; i < 2000 && behavior.engine().isStrolling(); ++i) {
            app.clock.advanceMs(16);
            behavior.engine().strollTick();
            xs << qRound(behavior.windowFrame().x());
        }
        return xs;
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void builtInPetRowsFeedTheEngine()
    {
        AppHarness app(m_env);
        app.launch();
        BehaviorEngine &engine = app.pet().behavior().engine();
        QCOMPARE(engine.maxRow(), 8);
        // The built-in pet walks with its run rows swapped.
        QCOMPARE(engine.moveRightRow(), std::optional<qint64>(2));
        QCOMPARE(engine.moveLeftRow(), std::optional<qint64>(1));
        const QList<Pick> pool { { 0, false }, { 0, false }, { 3, true }, { 4, true }, { 7, false }, { 6, false },
            { 5, false }, { 8, false } };
        QCOMPARE(engine.actionPool(), std::optional<QList<Pick>>(pool));
        QCOMPARE(engine.mode(), BehaviorMode::Wander);
        QTRY_VERIFY(engine.isHeartbeatActive()); // once the window is on screen

        // Renamed rows: one "Wave hello" row is the only pick besides doing nothing.
        PetAnimationMapStore &maps = app.coordinator->animationMapStore();
        for (qint64 row = 1; row <= 8; ++row)
            maps.setMapping("tamsel", row, {});
        maps.setMapping("tamsel", 2, { "Wave hello", {} });
        app.pet().refreshRows();
        QCOMPARE(
            engine.actionPool(), std::optional<QList<Pick>>(QList<Pick> { { 0, false }, { 0, false }, { 2, true } }));
        QCOMPARE(engine.moveRightRow(), std::nullopt);

        // Chatter for a row is one of its own lines; a row without lines says nothing.
        maps.setMapping("tamsel", 2, { "Wave hello", { "hi!", "hello there" } });
        emit engine.chatterRequested(5);
        QVERIFY(!app.coordinator->speechBubble().isShowing());
        app.random.setScript({ 0.99 });
        emit engine.chatterRequested(2);
        QVERIFY(app.coordinator->speechBubble().isShowing());
        QCOMPARE(app.coordinator->speechBubble().view()->text(), QString("hello there"));

        // A pinned row wins over what the engine asks for; a one-shot from the user still plays.
        app.pet().pinRow(5);
        emit engine.rowPlayRequested(3, true);
        QCOMPARE(app.pet().player().animation().row, 5);

        app.coordinator->setBehaviorMode(BehaviorMode::Still);
        QCOMPARE(app.settings.value(SettingsKeys::behaviorMode), QString("still"));
        QVERIFY(!engine.isHeartbeatActive() && !engine.isTickerActive());
    }

    void strollWalksAtSpeedAndStopsAtTheScreenEdge()
    {
        AppHarness app(m_env);
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        QWidget *window = app.pet().window().window();
        const QRect screen = available(app);
        window->move(screen.x() + 10, screen.y() + 200);

        // Near the left edge a heartbeat always strolls right: 90 + 0.5 × 170 = 175 points.
        app.random.setScript({ 0.0, 0.0, 0.5 });
        app.pet().behavior().engine().heartbeatFired();
        QVERIFY(app.pet().behavior().engine().isStrolling());
        QCOMPARE(app.pet().player().animation().row, 2);
        QVERIFY(app.pet().player().animation().loop);
        const QList<int> xs = walk(app);
        QCOMPARE(xs.constLast(), screen.x() + 10 + 175);
        QTRY_COMPARE(window->x(), screen.x() + 10 + 175); // once the window system has moved it
        // 85 points a second from fractional steps: 175 points take about 2.06 s of 16 ms ticks.
        QVERIFY2(qAbs(xs.size() - 129) <= 2, qPrintable(QString::number(xs.size())));
        for (qsizetype i = 1; i < xs.size(); ++i)
            QVERIFY(xs.at(i) - xs.at(i - 1) >= 0 && xs.at(i) - xs.at(i - 1) <= 2);
        QCOMPARE(window->y(), screen.y() + 200);
        QCOMPARE(app.pet().player().animation().row, 0);

        // At the right edge it turns back and never leaves the screen.
        window->move(screen.x() + screen.width() - window->width() - 20, screen.y() + 200);
        app.random.setScript({ 0.0, 0.0, 0.99 });
        app.pet().behavior().engine().heartbeatFired();
        QCOMPARE(app.pet().behavior().engine().strollDirection(), -1.0);
        walk(app);
        QTRY_VERIFY(app.pet().behavior().engine().strollDirection() < 0
            && window->x() < screen.x() + screen.width() - window->width() - 20);
        QVERIFY(window->x() >= screen.x());

        // Moves asked for beyond the screen are clamped and the bubble follows the pet.
        app.coordinator->speechBubble().show("hello", std::chrono::seconds(5));
        app.pet().behavior().moveWindow(-100000, 100000);
        QTRY_COMPARE(window->pos(), QPoint(screen.x(), screen.y() + screen.height() - window->height()));
        const QRect bubble = app.coordinator->speechBubble().view()->geometry();
        QVERIFY2(bubble.bottom() < window->y() && bubble.left() < window->x() + window->width(),
            qPrintable(QString("%1,%2").arg(bubble.x()).arg(bubble.y())));
    }

    void gesturesCancelStrolls()
    {
        AppHarness app(m_env);
        app.settings.setValue(SettingsKeys::clickBehavior, QString("none"));
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        const QRect screen = available(app);
        const auto startStroll = [&] {
            app.pet().window().window()->move(screen.x() + 10, screen.y() + 100);
            app.random.setScript({ 0.0, 0.0, 0.5 });
            app.pet().behavior().engine().heartbeatFired();
            app.clock.advanceMs(16);
            app.pet().behavior().engine().strollTick();
            QVERIFY(app.pet().behavior().engine().isStrolling());
            QCOMPARE(app.pet().player().animation().row, 2);
        };

        // A click stops the stroll and returns to the idle row.
        startStroll();
        emit app.pet().window().spriteView()->clicked();
        QVERIFY(!app.pet().behavior().engine().isStrolling());
        QCOMPARE(app.pet().player().animation().row, 0);

        // A drag stops it without the idle row: the drag rows take over.
        startStroll();
        emit app.pet().window().spriteView()->dragStarted();
        QVERIFY(!app.pet().behavior().engine().isStrolling());
        QCOMPARE(app.pet().player().animation().row, 2);
        emit app.pet().window().spriteView()->draggedInDirection(-1);
        QCOMPARE(app.pet().player().animation().row, 1);
        // No stroll starts while the pet is held.
        app.pet().behavior().engine().heartbeatFired();
        QVERIFY(!app.pet().behavior().engine().isStrolling());
        emit app.pet().window().spriteView()->dragEnded();
        QVERIFY(!app.pet().behavior().engine().isDragging());
        QCOMPARE(app.pet().player().animation().row, 0);

        // A reminder's row plays in place: the stroll ends first.
        startStroll();
        Reminder reminder = Reminder::create("Stretch", app.clock.now(), Reminder::Repeat::None);
        reminder.animationRow = 4;
        app.coordinator->reminderStore().add(reminder);
        app.coordinator->reminderScheduler()->check();
        QVERIFY(!app.pet().behavior().engine().isStrolling());
        QCOMPARE(app.pet().player().animation().row, 4);
    }

    void longIdleLinesAfterEightMinutesThenEveryTwenty()
    {
        AppHarness app(m_env);
        app.launch();
        QTRY_VERIFY(app.pet().isShown());
        QVERIFY(app.coordinator->idleChatter().isWatching());
        SpeechBubbleController &bubble = app.coordinator->speechBubble();
        int said = 0;
        QString lastLine;
        const auto check = [&](int seconds) {
            app.clock.advanceSeconds(seconds);
            bubble.hide();
            app.coordinator->idleChatter().check();
            if (bubble.isShowing()) {
                ++said;
                lastLine = bubble.view()->text();
            }
        };

        check(479);
        QCOMPARE(said, 0);
        check(1);
        QCOMPARE(said, 1);
        QVERIFY(IdleChatter::lines().contains(lastLine));
        check(19 * 60 + 59);
        QCOMPARE(said, 1);
        check(1);
        QCOMPARE(said, 2);

        // A gesture resets both clocks.
        emit app.pet().window().spriteView()->doubleClicked();
        check(7 * 60);
        QCOMPARE(said, 2);
        check(60);
        QCOMPARE(said, 3);

        app.settings.setValue(SettingsKeys::chatterEnabled, false);
        check(3600);
        QCOMPARE(said, 3);
    }

    void hotKeyTogglesTheAskPrompt()
    {
        AppHarness app(m_env);
        app.launch();
        QVERIFY(app.coordinator->hotKeyMonitor() && app.coordinator->hotKeyMonitor()->isRegistered());
        QCOMPARE(app.hotKeys.held.size(), 1);
        QCOMPARE(app.hotKeys.held.first().key, Qt::Key_K);
        QCOMPARE(app.hotKeys.held.first().modifiers, Qt::KeyboardModifiers(Qt::MetaModifier));

        // The character's listening row plays while the prompt is open, and only then.
        PetCharacter character = app.coordinator->characterStore().character("tamsel");
        character.listeningAnimationRow = 5;
        app.coordinator->characterStore().setCharacter("tamsel", character);
        app.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(app.coordinator->isAskPromptOpen());
        QCOMPARE(app.pet().pinnedRow(), std::optional<qint64>(5));
        QCOMPARE(app.pet().player().animation().row, 5);
        app.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(!app.coordinator->isAskPromptOpen());
        QCOMPARE(app.pet().pinnedRow(), std::nullopt);
        QCOMPARE(app.pet().player().animation().row, 0);
        emit app.pet().window().spriteView()->ctrlDoubleClicked();
        QVERIFY(app.coordinator->isAskPromptOpen());
        QCOMPARE(app.pet().pinnedRow(), std::optional<qint64>(5));
    }

    void toolsActOnTheRunningPet()
    {
        AppHarness app(m_env);
        app.launch();
        ToolRegistry &tools = app.coordinator->toolRegistry();
        QCOMPARE(awaitTask(tools.execute({ "1", "play_animation", R"({"name": "wave"})" })), QString("Played 'Wave'."));
        QCOMPARE(app.pet().player().animation().row, 3);
        QVERIFY(!app.pet().player().animation().loop);
        awaitTask(tools.execute({ "2", "add_reminder", R"({"title": "Tea", "when_iso": "2026-05-22T15:30:00Z"})" }));
        QCOMPARE(app.coordinator->reminderStore().reminders().size(), 1);
        QCOMPARE(app.coordinator->reminderStore().reminders().constFirst().title, QString("Tea"));

        app.coordinator->teardownCurrentPet();
        QCOMPARE(
            awaitTask(tools.execute({ "3", "play_animation", R"({"name": "wave"})" })), QString("No pet is loaded."));
    }

    void nothingRunsWhileThePetIsHidden()
    {
        AppHarness app(m_env);
        app.settings.setValue(SettingsKeys::startHidden, true);
        app.launch();
        const auto timersRunning = [&] {
            return app.pet().behavior().engine().isHeartbeatActive() || app.coordinator->idleChatter().isWatching();
        };
        QVERIFY(!timersRunning());
        app.coordinator->setBehaviorMode(BehaviorMode::Busy);
        QVERIFY(!app.pet().behavior().engine().isTickerActive());

        app.coordinator->setPetShown(true);
        QTRY_VERIFY(app.pet().isShown());
        QVERIFY(app.pet().behavior().engine().isTickerActive() && app.coordinator->idleChatter().isWatching());
        app.coordinator->setPetShown(false);
        QTRY_VERIFY(!app.pet().isShown());
        QVERIFY(!app.pet().behavior().engine().isTickerActive() && !app.coordinator->idleChatter().isWatching());
    }
};

TAMSEL_TEST_MAIN(TestAppBehavior)
#include "tst_gui_appbehavior.moc"
