#include "llm/AudioRecorder.h"
#include "llm/SilenceDetector.h"
#include "support/FakeAudioInput.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using Decision = SilenceDetector::Decision;
using Runs = QList<std::pair<double, int>>;
Q_DECLARE_METATYPE(Runs)

class TestAudioRecorder : public QObject {
    Q_OBJECT

private:
    // Feeds levels one tick each and returns the tick (1-based) of the first decision.
    static std::pair<int, Decision> firstDecision(SilenceDetector &detector, const Runs &runs)
    {
        int tick = 0;
        for (const auto &[decibels, count] : runs) {
            for (int i = 0; i < count; ++i) {
                ++tick;
                if (const Decision d = detector.feed(decibels); d != Decision::keepRecording)
                    return { tick, d };
            }
        }
        return { 0, Decision::keepRecording };
    }

private slots:
    void detectorDecidesByTicks_data()
    {
        QTest::addColumn<Runs>("runs");
        QTest::addColumn<int>("tick");
        QTest::addColumn<Decision>("decision");
        QTest::newRow("speech 3 s then silence ends 12 ticks later")
            << Runs { { -20.0, 30 }, { -60.0, 100 } } << 42 << Decision::speechEnded;
        QTest::newRow("a level between the thresholds restarts the silence run")
            << Runs { { -20.0, 5 }, { -60.0, 11 }, { -40.0, 1 }, { -60.0, 12 } } << 29 << Decision::speechEnded;
        QTest::newRow("hovering between the thresholds lasts until 60 s")
            << Runs { { -20.0, 1 }, { -40.0, 1000 } } << 600 << Decision::speechEnded;
        QTest::newRow("80 ticks of silence hear nothing") << Runs { { -80.0, 1000 } } << 80 << Decision::nothingHeard;
        QTest::newRow("hovering without speech hears nothing")
            << Runs { { -35.0, 1000 } } << 80 << Decision::nothingHeard;
    }
    void detectorDecidesByTicks()
    {
        QFETCH(Runs, runs);
        QFETCH(int, tick);
        QFETCH(Decision, decision);
        SilenceDetector detector;
        const auto [firstTick, first] = firstDecision(detector, runs);
        QCOMPARE(firstTick, tick);
        QCOMPARE(first, decision);
        // One decision per recording, whatever follows.
        QCOMPARE(firstDecision(detector, { { -20.0, 50 }, { -80.0, 700 } }).first, 0);
    }

    void meterAndLevels()
    {
        QCOMPARE(SilenceDetector::meterLevel(0.5), 1.0);
        QCOMPARE(SilenceDetector::meterLevel(-90.0), 0.0);
        QCOMPARE(SilenceDetector::meterLevel(-25.0), 0.5);
        const QByteArray tone = FakeAudioInput::tone(-20.0, 1);
        const auto *samples = reinterpret_cast<const qint16 *>(tone.constData());
        QVERIFY(qAbs(SilenceDetector::rmsDecibels({ samples, 1600 }) - -20.0) < 0.1);
        const QList<qint16> silence(1600, 0);
        QVERIFY(SilenceDetector::rmsDecibels({ silence.constData(), 1600 }) < -300);
    }

    void recordsBlocksInOrderIntoAPrivateWav()
    {
        FakeAudioInput input;
        AudioRecorder recorder(input);
        QSignalSpy ended(&recorder, &AudioRecorder::speechEnded);
        QSignalSpy levels(&recorder, &AudioRecorder::levelUpdated);
        QVERIFY(recorder.start().ok());
        QVERIFY(input.capturing);
        const QString path = *recorder.filePath();
        QVERIFY(QFileInfo(path).fileName().startsWith(QStringLiteral("tamsel-ask-")));
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        // Speech and silence arrive late and in odd chunks; the decision still comes on the
        // 12th silent block.
        const QByteArray all = FakeAudioInput::tone(-20.0, 20) + FakeAudioInput::tone(-70.0, 30);
        for (qsizetype at = 0; at < all.size(); at += 777)
            input.feed(all.mid(at, 777));
        QCOMPARE(levels.count(), 50);
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(levels.at(0).at(0).toDouble() > 0.55);

        const std::optional<QString> file = recorder.stop();
        QCOMPARE(file, path);
        QVERIFY(!input.capturing);
        QFile wav(path);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        QCOMPARE(bytes.size(), 44 + all.size());
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 24), 16000u);
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(all.size()));

        recorder.cancel();
        QVERIFY(!QFile::exists(path));
    }

    void failuresAndCleanup()
    {
        FakeAudioInput input;
        input.refusal = QStringLiteral("no microphone is connected");
        QString path;
        {
            AudioRecorder recorder(input);
            const auto refused = recorder.start();
            QVERIFY(!refused.ok());
            QCOMPARE(
                refused.error().description(), QStringLiteral("Couldn't start recording: no microphone is connected"));
            QVERIFY(!recorder.filePath());

            // A device that goes quiet ends the recording once, and closing removes the file.
            input.refusal.reset();
            recorder.setStallTimeout(30);
            QSignalSpy nothing(&recorder, &AudioRecorder::nothingRecorded);
            QVERIFY(recorder.start().ok());
            path = *recorder.filePath();
            QVERIFY(nothing.wait(2000));
            QVERIFY(!recorder.isRecording());
            QVERIFY(QFile::exists(path));
        }
        QVERIFY(!QFile::exists(path));

        // Leftovers of a killed run go; links and other files stay.
        QTemporaryDir dir;
        const QString leftover = dir.filePath(QStringLiteral("tamsel-ask-1.wav"));
        QFile(leftover).open(QIODevice::WriteOnly);
        QFile(dir.filePath(QStringLiteral("other.wav"))).open(QIODevice::WriteOnly);
        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("keep"));
        QFile(target).open(QIODevice::WriteOnly);
        QFile::link(target, dir.filePath(QStringLiteral("tamsel-ask-2.wav")));
        QCOMPARE(AudioRecorder::removeLeftoverRecordings(dir.path()), 1);
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(QFile::exists(target));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("other.wav"))));
    }
};

TAMSEL_TEST_MAIN(TestAudioRecorder)
#include "tst_audiorecorder.moc"
