#include "behavior/AnimationPlayer.h"
#include "behavior/AnimationRules.h"

#include "support/FrameAtlas.h"
#include "support/TestMain.h"

#include <limits>

using State = PetAnimationState;

class TestAnimationRules : public QObject {
    Q_OBJECT

private:
    AnimationRules::Context context(double speed = 1.0) const
    {
        return { &m_manifest, m_decoder.get(), 5, 7, [this](qint64 row) { return m_names.value(row); }, speed };
    }

    PetManifest m_manifest = FrameAtlas::manifest();
    // Rows 0 to 3 hold 3, 4, 2 and 0 frames; rows 5 and 7 are the movement rows.
    std::shared_ptr<SpriteSheetDecoder> m_decoder = FrameAtlas::decoder({ 3, 4, 2, 0 });
    QHash<qint64, QString> m_names { { 0, "Jump" }, { 1, "Happy Dance" }, { 2, "Waiting" }, { 3, "waiting to jump" },
        { 4, "TIRED" }, { 5, "Sleepy" }, { 6, "code review" }, { 7, "walk left" } };

private slots:
    void fpsFollowsNamesMovementAndSpeed_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::addColumn<qint64>("row");
        QTest::addColumn<bool>("petLoaded");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("fps");
        QTest::newRow("row 0 whatever its name") << qint64(0) << true << 1.0 << 8.0;
        QTest::newRow("Waiting, faster") << qint64(2) << true << 2.0 << 14.0;
        QTest::newRow("first keyword in list order wins") << qint64(3) << true << 1.0 << 12.0;
        QTest::newRow("upper case, very slow") << qint64(4) << true << 0.1 << 1.0;
        QTest::newRow("move-right row beats its name") << qint64(5) << true << 1.0 << 12.0;
        QTest::newRow("review, unusable speed") << qint64(6) << true << nan << 8.0;
        QTest::newRow("move-left row, negative speed") << qint64(7) << true << -2.0 << 12.0;
        QTest::newRow("unnamed") << qint64(9) << true << 1.0 << 8.0;
        QTest::newRow("no pet: names do not count") << qint64(1) << false << 1.0 << 8.0;
    }

    void fpsFollowsNamesMovementAndSpeed()
    {
        QFETCH(qint64, row);
        QFETCH(bool, petLoaded);
        QFETCH(double, speed);
        QFETCH(double, fps);
        AnimationRules::Context rules = context(speed);
        if (!petLoaded)
            rules.manifest = nullptr;
        QCOMPARE(AnimationRules::scaledFps(row, rules), fps);
    }

    void resolveAnimationPrefersDeclarationsThenFilledRows()
    {
        auto rules = context(1.5);
        // The state's own row when the atlas fills it, at the scaled rate of the row's name.
        QCOMPARE(AnimationRules::resolveAnimation(State::Waving, rules),
            (PetAnimation { State::Waving, 1, 4, 15.0, false }));
        QCOMPARE(AnimationRules::resolveAnimation(State::Jumping, rules),
            (PetAnimation { State::Jumping, 2, 2, 10.5, false }));
        // An empty row falls back to row 0.
        QCOMPARE(AnimationRules::resolveAnimation(State::Failed, rules),
            (PetAnimation { State::Failed, 0, 3, 12.0, false }));

        // A declared animation is used exactly as declared: its own rate, no speed.
        const PetAnimation declared { State::Review, 2, 5, 3.0, true };
        m_manifest.animations.insert(State::Review, declared);
        QCOMPARE(AnimationRules::resolveAnimation(State::Review, rules), declared);
        m_manifest.animations.clear();

        rules.decoder = nullptr; // a pet without a decoder plays row 0 with the layout's frame count
        QCOMPARE(AnimationRules::resolveAnimation(State::Waving, rules),
            (PetAnimation { State::Waving, 0, 8, 12.0, false }));
        rules.manifest = nullptr; // no pet: the layout default for the state
        QCOMPARE(AnimationRules::resolveAnimation(State::Running, rules),
            (PetAnimation { State::Running, 5, 8, 5.0, true }));
    }

    void playbackSpeedRetimesAndKeepsTheFrame()
    {
        AnimationPlayer player(m_decoder, { State::Idle, 1, 4, 10.0, true });
        QList<QImage> frames;
        connect(
            &player, &AnimationPlayer::frameEmitted, this, [&frames](const QImage &frame) { frames.append(frame); });
        player.play();
        player.tick();
        player.tick();
        player.stop();

        QVERIFY(AnimationRules::applyPlaybackSpeed(player, context(2.0)));
        QCOMPARE(player.animation(), (PetAnimation { State::Idle, 1, 4, 20.0, true }));
        QCOMPARE(player.currentFrameIndex(), 2);
        QCOMPARE(FrameAtlas::identify(frames.last()), (FrameAtlas::Cell { 1, 2 }));
        QVERIFY(player.isRunning()); // plays afterwards even though it was paused
        QCOMPARE(player.frameTimer().interval(), 50);

        player.set({ State::Review, 2, 2, 3.0, true }, true); // a declared rate gives way to the row's
        QVERIFY(AnimationRules::applyPlaybackSpeed(player, context(1.0)));
        QCOMPARE(player.animation().fps, 7.0);

        player.set({ State::Failed, 3, 1, 4.0, false }, true); // a row without frames is left alone
        QVERIFY(!AnimationRules::applyPlaybackSpeed(player, context(2.0)));
        QCOMPARE(player.animation().fps, 4.0);
    }
};

TAMSEL_TEST_MAIN(TestAnimationRules)
#include "tst_animationrules.moc"
