#include "services/HotKeyMonitor.h"
#include "settings/SettingsKeys.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"
#include "llm/ToolRegistry.h"
#include "preferences/PreferencesWindow.h"
#include "behavior/AnimationPlayer.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"

#include "support/AppHarness.h"
#include "support/TestMain.h"

#include <QScreen>
#include <QWidget>

// The coordinator obeying the behaviour engine on a real display: the rows it hands the engine,
// strolls moving the window, gestures cancelling them, the idle check and the hot key.
class TestAppBehavior : public QObject {
    Q_OBJECT

public:
    explicit TestAppBehavior(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    using Pick = BehaviorEngine::ActionPick;

    static QRect available(AppDelegate &delegate) { return delegate.windowController()->screen()->availableGeometry(); }

    // Runs stroll ticks 1/60 s apart until the stroll ends; returns the window's x after each.
    static QList<int> walk(AppHarness &app)
    {
        QList<int> xs;
        for (int i = 0; i < 2000 && app.delegate->behaviorEngine().isStrolling(); ++i) {
            app.clock.advanceMs(16);
            app.delegate->behaviorEngine().strollTick();
            xs << qRound(app.delegate->petWindowFrame().x());
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
        BehaviorEngine &engine = app.delegate->behaviorEngine();
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
        for (qint64 row = 1; row <= 8; ++row)
            app.delegate->animationMapStore().setMapping("tamsel", row, {});
        app.delegate->animationMapStore().setMapping("tamsel", 2, { "Wave hello", {} });
        app.delegate->refreshBehaviorDerivedRows();
        QCOMPARE(
            engine.actionPool(), std::optional<QList<Pick>>(QList<Pick> { { 0, false }, { 0, false }, { 2, true } }));
        QCOMPARE(engine.moveRightRow(), std::nullopt);

        // Chatter for a row is one of its own lines; a row without lines says nothing.
        app.delegate->animationMapStore().setMapping("tamsel", 2, { "Wave hello", { "hi!", "hello there" } });
        app.delegate->speakForBehaviorRow(5);
        QVERIFY(!app.delegate->speechBubble().isShowing());
        app.random.setScript({ 0.99 });
        app.delegate->speakForBehaviorRow(2);
        QVERIFY(app.delegate->speechBubble().isShowing());
        QCOMPARE(app.delegate->speechBubble().view()->text(), QString("hello there"));

        // A pinned row wins over what the engine asks for; a one-shot from the user still plays.
        app.delegate->playRow(5);
        app.delegate->behaviorPlayRow(3, true);
        QCOMPARE(app.delegate->animationPlayer()->animation().row, 5);

        app.delegate->setBehaviorMode(BehaviorMode::Still);
        QCOMPARE(app.settings.value(SettingsKeys::behaviorMode), QString("still"));
        QVERIFY(!engine.isHeartbeatActive() && !engine.isTickerActive());

        app.delegate->teardownCurrentPet();
        QCOMPARE(engine.actionPool(), std::nullopt);
        QCOMPARE(engine.maxRow(), 0);
    }

    void strollWalksAtSpeedAndStopsAtTheScreenEdge()
    {
        AppHarness app(m_env);
        app.launch();
        AppDelegate &delegate = *app.delegate;
        QTRY_VERIFY(delegate.windowController()->isVisible());
        QWidget *window = delegate.windowController()->window();
        const QRect screen = available(delegate);
        window->move(screen.x() + 10, screen.y() + 200);

        // Near the left edge a heartbeat always strolls right: 90 + 0.5 × 170 = 175 points.
        app.random.setScript({ 0.0, 0.0, 0.5 });
        delegate.behaviorEngine().heartbeatFired();
        QVERIFY(delegate.behaviorEngine().isStrolling());
        QCOMPARE(delegate.animationPlayer()->animation().row, 2);
        QVERIFY(delegate.animationPlayer()->animation().loop);
        const QList<int> xs = walk(app);
        QCOMPARE(xs.constLast(), screen.x() + 10 + 175);
        QTRY_COMPARE(window->x(), screen.x() + 10 + 175); // once the window system has moved it
        // 85 points a second from fractional steps: 175 points take about 2.06 s of 16 ms ticks.
        QVERIFY2(qAbs(xs.size() - 129) <= 2, qPrintable(QString::number(xs.size())));
        for (qsizetype i = 1; i < xs.size(); ++i)
            QVERIFY(xs.at(i) - xs.at(i - 1) >= 0 && xs.at(i) - xs.at(i - 1) <= 2);
        QCOMPARE(window->y(), screen.y() + 200);
        QCOMPARE(delegate.animationPlayer()->animation().row, 0);

        // At the right edge it turns back and never leaves the screen.
        window->move(screen.x() + screen.width() - window->width() - 20, screen.y() + 200);
        app.random.setScript({ 0.0, 0.0, 0.99 });
        delegate.behaviorEngine().heartbeatFired();
        QCOMPARE(delegate.behaviorEngine().strollDirection(), -1.0);
        walk(app);
        QTRY_VERIFY(delegate.behaviorEngine().strollDirection() < 0
            && window->x() < screen.x() + screen.width() - window->width() - 20);
        QVERIFY(window->x() >= screen.x());

        // Moves asked for beyond the screen are clamped and the bubble follows the pet.
        delegate.speechBubble().show("hello", std::chrono::seconds(5));
        delegate.behaviorMoveWindow(-100000, 100000);
        QTRY_COMPARE(window->pos(), QPoint(screen.x(), screen.y() + screen.height() - window->height()));
        const QRect bubble = delegate.speechBubble().view()->geometry();
        QVERIFY2(bubble.bottom() < window->y() && bubble.left() < window->x() + window->width(),
            qPrintable(QString("%1,%2").arg(bubble.x()).arg(bubble.y())));
    }

    void gesturesCancelStrolls()
    {
        AppHarness app(m_env);
        app.settings.setValue(SettingsKeys::clickBehavior, QString("none"));
        app.launch();
        AppDelegate &delegate = *app.delegate;
        QTRY_VERIFY(delegate.windowController()->isVisible());
        const QRect screen = available(delegate);
        const auto startStroll = [&] {
            delegate.windowController()->window()->move(screen.x() + 10, screen.y() + 100);
            app.random.setScript({ 0.0, 0.0, 0.5 });
            delegate.behaviorEngine().heartbeatFired();
            app.clock.advanceMs(16);
            delegate.behaviorEngine().strollTick();
            QVERIFY(delegate.behaviorEngine().isStrolling());
            QCOMPARE(delegate.animationPlayer()->animation().row, 2);
        };

        // A click stops the stroll and returns to the idle row.
        startStroll();
        delegate.petSpriteViewDidClick(nullptr);
        QVERIFY(!delegate.behaviorEngine().isStrolling());
        QCOMPARE(delegate.animationPlayer()->animation().row, 0);

        // A drag stops it without the idle row: the drag rows take over.
        startStroll();
        delegate.petSpriteViewDidStartDrag(nullptr);
        QVERIFY(!delegate.behaviorEngine().isStrolling());
        QCOMPARE(delegate.animationPlayer()->animation().row, 2);
        delegate.petSpriteViewDidDragInDirection(nullptr, -1);
        QCOMPARE(delegate.animationPlayer()->animation().row, 1);
        // No stroll starts while the pet is held.
        delegate.behaviorEngine().heartbeatFired();
        QVERIFY(!delegate.behaviorEngine().isStrolling());
        delegate.petSpriteViewDidEndDrag(nullptr);
        QVERIFY(!delegate.behaviorEngine().isDragging());
        QCOMPARE(delegate.animationPlayer()->animation().row, 0);
    }

    void longIdleLinesAfterEightMinutesThenEveryTwenty()
    {
        AppHarness app(m_env);
        app.launch();
        AppDelegate &delegate = *app.delegate;
        QTRY_VERIFY(delegate.windowController()->isVisible());
        QCOMPARE(delegate.idleCheckTimer().interval(), 60000);
        QVERIFY(delegate.idleCheckTimer().isActive());
        SpeechBubbleController &bubble = delegate.speechBubble();
        int said = 0;
        QString lastLine;
        const auto check = [&](int seconds) {
            app.clock.advanceSeconds(seconds);
            bubble.hide();
            delegate.checkLongIdle();
            if (bubble.isShowing()) {
                ++said;
                lastLine = bubble.view()->text();
            }
        };

        check(479);
        QCOMPARE(said, 0);
        check(1);
        QCOMPARE(said, 1);
        QVERIFY(AppDelegate::longIdleLines().contains(lastLine));
        check(19 * 60 + 59);
        QCOMPARE(said, 1);
        check(1);
        QCOMPARE(said, 2);

        // A gesture resets both clocks.
        delegate.petSpriteViewDidDoubleClick(nullptr);
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
        QVERIFY(app.delegate->hotKeyMonitor() && app.delegate->hotKeyMonitor()->isRegistered());
        QCOMPARE(app.hotKeys.held.size(), 1);
        QCOMPARE(app.hotKeys.held.first().key, Qt::Key_K);
        QCOMPARE(app.hotKeys.held.first().modifiers, Qt::KeyboardModifiers(Qt::MetaModifier));

        app.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(app.delegate->isAskPromptOpen());
        app.hotKeys.press(Qt::Key_K, Qt::MetaModifier);
        QVERIFY(!app.delegate->isAskPromptOpen());
        app.delegate->petSpriteViewDidCommandDoubleClick(nullptr);
        QVERIFY(app.delegate->isAskPromptOpen());
    }

    void toolsActOnTheRunningPet()
    {
        AppHarness app(m_env);
        app.launch();
        ToolRegistry &tools = app.delegate->toolRegistry();
        QCOMPARE(awaitTask(tools.execute({ "1", "play_animation", R"({"name": "wave"})" })), QString("Played 'Wave'."));
        QCOMPARE(app.delegate->animationPlayer()->animation().row, 3);
        QVERIFY(!app.delegate->animationPlayer()->animation().loop);
        awaitTask(tools.execute({ "2", "add_reminder", R"({"title": "Tea", "when_iso": "2026-05-22T15:30:00Z"})" }));
        QCOMPARE(app.delegate->reminderStore().reminders().size(), 1);
        QCOMPARE(app.delegate->reminderStore().reminders().constFirst().title, QString("Tea"));

        app.delegate->teardownCurrentPet();
        QCOMPARE(
            awaitTask(tools.execute({ "3", "play_animation", R"({"name": "wave"})" })), QString("No pet is loaded."));
    }

    void nothingRunsWhileThePetIsHidden()
    {
        AppHarness app(m_env);
        app.settings.setValue(SettingsKeys::startHidden, true);
        app.launch();
        AppDelegate &delegate = *app.delegate;
        const auto timersRunning
            = [&] { return delegate.behaviorEngine().isHeartbeatActive() || delegate.idleCheckTimer().isActive(); };
        QVERIFY(!timersRunning());
        delegate.setBehaviorMode(BehaviorMode::Busy);
        QVERIFY(!delegate.behaviorEngine().isTickerActive());

        delegate.togglePetVisibility();
        QTRY_VERIFY(delegate.windowController()->isVisible());
        QVERIFY(delegate.behaviorEngine().isTickerActive() && delegate.idleCheckTimer().isActive());
        delegate.togglePetVisibility();
        QTRY_VERIFY(!delegate.windowController()->isVisible());
        QVERIFY(!delegate.behaviorEngine().isTickerActive() && !delegate.idleCheckTimer().isActive());
    }

    void preferencesWindowIsReusedUntilClosed()
    {
        AppHarness app(m_env);
        app.delegate->showPreferences(PreferencesSection::Reminders);
        QPointer<PreferencesWindow> window = app.delegate->preferencesWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->section(), PreferencesSection::Reminders);
        // Asking for the pet section brings the same window forward on its current pane.
        app.delegate->showPreferences(PreferencesSection::Pet);
        QCOMPARE(app.delegate->preferencesWindow(), window.data());
        QCOMPARE(window->section(), PreferencesSection::Reminders);
        app.delegate->showPreferences(PreferencesSection::Advanced);
        QCOMPARE(window->section(), PreferencesSection::Advanced);
        window->close();
        QTRY_VERIFY(!window);
        QVERIFY(!app.delegate->preferencesWindow());
    }
};

TAMSEL_TEST_MAIN(TestAppBehavior)
#include "tst_gui_appbehavior.moc"
