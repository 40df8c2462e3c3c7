#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "support/DesktopProbe.h"
#include "support/MockGroqServer.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

using DesktopProbe::xdotool;
using Response = MockGroqServer::Response;

namespace {
constexpr int bytesPerBlock = 3200; // 0.1 s of 16 kHz mono s16

// Faint noise around -60 dBFS: quieter than the silence threshold, but never nothing.
QByteArray faintNoise(int blocks)
{
    QByteArray pcm(blocks * bytesPerBlock, Qt::Uninitialized);
    quint32 seed = 12345;
    for (int i = 0; i < pcm.size() / 2; ++i) {
        seed = seed * 1664525u + 1013904223u;
        qToLittleEndian(static_cast<qint16>(static_cast<int>(seed >> 16) % 61 - 30), pcm.data() + 2 * i);
    }
    return pcm;
}
}

// A question spoken into the session's test microphone, in real time, to the real program.
class TestVoiceQuestion : public QObject {
    Q_OBJECT

public:
    explicit TestVoiceQuestion(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

private slots:
    void spokenQuestionEndsByItselfAndIsAsked()
    {
        const QByteArray fifo = qgetenv("TEST_MIC_FIFO");
        if (fifo.isEmpty())
            QSKIP("needs the headless session's test microphone");

        // The speech: espeak-ng's voice at 16 kHz mono, without its trailing silence.
        const QString wav = m_env->home() + "/speech.wav";
        const QString raw = m_env->home() + "/speech.raw";
        QCOMPARE(QProcess::execute("espeak-ng", { "-s", "150", "-w", wav, "what time is it" }), 0);
        QCOMPARE(QProcess::execute("sox",
                     { wav, "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer", "-t", "raw", raw, "reverse",
                         "silence", "1", "0.02", "0.5%", "reverse" }),
            0);
        QFile speechFile(raw);
        QVERIFY(speechFile.open(QIODevice::ReadOnly));
        QByteArray speech = speechFile.readAll();
        QVERIFY(speech.size() > 16000);

        {
            SettingsStore settings(m_env->settingsFilePath());
            settings.setBehaviorMode(BehaviorMode::Still);
            settings.setValue(SettingsKeys::inputMode, QStringLiteral("voice"));
            settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("gsk_voice"));
        }
        MockGroqServer server;
        QVERIFY(server.listen());
        server.enqueue({ Response::json(200, R"({"text":" What time is it? ","x_groq":{"id":"req_1"}})"),
            Response::completion({ { "role", "assistant" }, { "content", "It's time for a stretch!" } }) });

        RunningProgram program;
        QVERIFY(program.start({ "TAMSEL_GROQ_BASE_URL=" + server.baseURL().toString() }));
        QTRY_VERIFY_WITH_TIMEOUT(!DesktopProbe::petWindow().isEmpty(), 20000);

        // The microphone hears faint noise all along, and the speech once, in real time.
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        auto closeFifo = qScopeGuard([fd] { ::close(fd); });
        QByteArray queue = faintNoise(10);
        QElapsedTimer clock;
        clock.start();
        qint64 speechEndMs = -1;
        bool speechQueued = false;
        qint64 promptOpenedMs = -1;
        QTimer feeder;
        feeder.setTimerType(Qt::PreciseTimer);
        QObject::connect(&feeder, &QTimer::timeout, &feeder, [&] {
            if (queue.size() < bytesPerBlock) {
                if (!speechQueued && promptOpenedMs >= 0 && clock.elapsed() - promptOpenedMs > 1000) {
                    queue += speech;
                    speechQueued = true;
                    speechEndMs = -2; // set when the last speech byte is written
                }
                queue += faintNoise(1);
            }
            const QByteArray block = queue.left(bytesPerBlock);
            const ssize_t written = ::write(fd, block.constData(), static_cast<size_t>(block.size()));
            if (written > 0)
                queue.remove(0, written);
            if (speechEndMs == -2 && queue.size() <= faintNoise(1).size())
                speechEndMs = clock.elapsed();
        });
        feeder.start(100);

        xdotool({ "key", "super+k" });
        QTRY_VERIFY_WITH_TIMEOUT(!xdotool({ "search", "--onlyvisible", "--name", "^Ask Tamsel$" }).isEmpty(), 5000);
        promptOpenedMs = clock.elapsed();

        QTRY_VERIFY_WITH_TIMEOUT(!server.requests().isEmpty(), 20000);
        const qint64 uploadMs = clock.elapsed();
        QVERIFY(speechEndMs > 0);
        const qint64 afterSpeech = uploadMs - speechEndMs;
        qInfo("the recording ended %lld ms after the speech", afterSpeech);
        QVERIFY2(afterSpeech >= 1000 && afterSpeech <= 1600, qPrintable(QString::number(afterSpeech)));

        const MockGroqServer::Request upload = server.requests().at(0);
        QVERIFY(upload.path.endsWith("/audio/transcriptions"));
        QVERIFY(upload.body.contains("whisper-large-v3"));
        QVERIFY(upload.body.contains("Content-Type: audio/wav"));
        const qsizetype riff = upload.body.indexOf("RIFF");
        QVERIFY(riff >= 0);
        const char *header = upload.body.constData() + riff;
        QCOMPARE(qFromLittleEndian<quint16>(header + 22), quint16(1));
        QCOMPARE(qFromLittleEndian<quint32>(header + 24), 16000u);
        QCOMPARE(qFromLittleEndian<quint16>(header + 34), quint16(16));
        // The file holds the whole recording: from the prompt opening to 1.2 s after the speech.
        const double seconds = qFromLittleEndian<quint32>(header + 40) / 32000.0;
        const double expected = (speechEndMs - promptOpenedMs) / 1000.0 + 1.2;
        QVERIFY2(qAbs(seconds - expected) < 0.6,
            qPrintable(QStringLiteral("%1 s, expected %2 s").arg(seconds).arg(expected)));

        // The transcript is asked as the question.
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 2, 20000);
        const QJsonObject chat = QJsonDocument::fromJson(server.requests().at(1).body).object();
        QCOMPARE(chat.value("messages").toArray().last().toObject().value("content").toString(),
            QStringLiteral("What time is it?"));
        feeder.stop();

        QCOMPARE(program.stop(), QString());
        for (const QString &folder : { qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath() })
            QVERIFY(QDir(folder).entryList({ "tamsel-ask-*" }, QDir::Files).isEmpty());
    }
};

TAMSEL_TEST_MAIN(TestVoiceQuestion)
#include "tst_voicequestion.moc"
