#include "askprompt/AskPromptModel.h"
#include "askprompt/AskPromptPanel.h"
#include "askprompt/AskPromptView.h"
#include "askprompt/AskPromptWindowController.h"
#include "llm/AudioRecorder.h"
#include "support/FakeAudioInput.h"
#include "support/TestMain.h"
#include "widgets/CaretBlinkTimeout.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QToolButton>

#include <qcoro/qcorotimer.h>

namespace {
const QRect pet(576, 400, 128, 128);
const QRect screen(0, 0, 1280, 800);

qsizetype timersIn(QObject *root)
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    qsizetype count = dispatcher->registeredTimers(root).size();
    for (QObject *child : root->findChildren<QObject *>())
        count += dispatcher->registeredTimers(child).size();
    return count;
}
}

class TestAskPrompt : public QObject {
    Q_OBJECT

public:
    explicit TestAskPrompt(TestEnvironment *) { }

private:
    FakeAudioInput m_input;
    QStringList m_transcribedFiles;
    std::optional<Result<QString, ClientError>> m_transcript;

    AskPromptModel::Transcriber transcriber()
    {
        return [this](QString path) -> QCoro::Task<Result<QString, ClientError>> {
            m_transcribedFiles << path;
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            const qint64 size = file.size();
            co_await QCoro::sleepFor(std::chrono::milliseconds(1));
            if (size <= 44)
                co_return ClientError::empty();
            co_return m_transcript.value_or(ClientError::empty());
        };
    }

private slots:
    void init()
    {
        m_input.refusal.reset();
        m_transcribedFiles.clear();
        m_transcript.reset();
    }

    void typedQuestionsAndClosing()
    {
        AskPromptWindowController prompt(&m_input, transcriber());
        QSignalSpy submitted(&prompt, &AskPromptWindowController::submitted);
        QSignalSpy closed(&prompt, &AskPromptWindowController::closed);

        prompt.present(pet, screen, AskPromptWindowController::InputMode::text);
        QVERIFY(prompt.isOpen());
        QCOMPARE(prompt.panel()->cardGeometry(), QRect(430, 320, 420, 64));
        auto *field = prompt.panel()->findChild<QLineEdit *>(QStringLiteral("askField"));
        QTest::keyClicks(field, QStringLiteral("  what's up?\t"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("what's up?"));
        QVERIFY(!prompt.isOpen());

        // Blank questions and Escape close without asking.
        prompt.present(pet, screen, AskPromptWindowController::InputMode::text);
        field = prompt.panel()->findChild<QLineEdit *>(QStringLiteral("askField"));
        QTest::keyClicks(field, QStringLiteral("   "));
        QTest::keyClick(field, Qt::Key_Return);
        prompt.present(pet, screen, AskPromptWindowController::InputMode::text);
        QTest::keyClick(prompt.panel()->findChild<QLineEdit *>(QStringLiteral("askField")), Qt::Key_Escape);
        QVERIFY(!prompt.isOpen());
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(closed.count(), 3);
    }

    // An open prompt left alone settles with no timer left in it (its caret rests, lit); a key
    // wakes the caret, and the application gets its flash time back when the prompt closes.
    void idlePanelSettles()
    {
        const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
        AskPromptWindowController prompt(&m_input, transcriber());
        prompt.present(pet, screen, AskPromptWindowController::InputMode::text);
        AskPromptPanel *panel = prompt.panel();
        auto *field = panel->findChild<QLineEdit *>(QStringLiteral("askField"));
        QTRY_VERIFY(field->hasFocus());
        auto *caret = panel->findChild<CaretBlinkTimeout *>();
        QVERIFY(caret);
        caret->setTimeout(std::chrono::milliseconds(50));
        QVERIFY(timersIn(panel) > 0);
        QTRY_COMPARE(timersIn(panel), 0);
        QTest::keyClick(field, Qt::Key_A);
        QVERIFY(timersIn(panel) > 0);
        QTRY_COMPARE(timersIn(panel), 0);

        const QImage resting = field->grab().toImage();
        field->clearFocus();
        QVERIFY(field->grab().toImage() != resting);
        prompt.close();
        QCOMPARE(QGuiApplication::styleHints()->cursorFlashTime(), flashTime);
    }

    void keyNoticeFollowsTheKeyStore()
    {
        AskPromptWindowController prompt(&m_input, transcriber());
        QSignalSpy settings(&prompt, &AskPromptWindowController::keySettingsRequested);
        prompt.present(pet, screen, AskPromptWindowController::InputMode::text);
        QCOMPARE(prompt.panel()->cardGeometry().height(), 64);
        prompt.setKeyState(AskPromptWindowController::KeyState::absent);
        QCOMPARE(prompt.panel()->cardGeometry(), QRect(430, 284, 420, 100));
        auto *addKey = prompt.panel()->findChild<QWidget *>(QStringLiteral("addKey"));
        QVERIFY(addKey->isVisibleTo(prompt.panel()));
        QTest::mouseClick(addKey, Qt::LeftButton);
        QCOMPARE(settings.count(), 1);
        QVERIFY(!prompt.isOpen());
    }

    void spokenQuestionIsTranscribedAndSubmitted()
    {
        m_transcript = QStringLiteral("remind me to stretch");
        AskPromptWindowController prompt(&m_input, transcriber());
        QSignalSpy submitted(&prompt, &AskPromptWindowController::submitted);
        prompt.present(pet, screen, AskPromptWindowController::InputMode::voice);
        QCOMPARE(prompt.model()->mode(), AskPromptModel::Mode::recording);
        m_input.feed(FakeAudioInput::tone(-20.0, 15) + FakeAudioInput::tone(-70.0, 12));
        QTRY_COMPARE(submitted.count(), 1);
        QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("remind me to stretch"));
        QCOMPARE(m_transcribedFiles.size(), 1);
        QVERIFY(!QFile::exists(m_transcribedFiles.at(0)));
        QVERIFY(!m_input.capturing);
    }

    void voiceFailuresReturnToTyping()
    {
        AskPromptWindowController prompt(&m_input, transcriber());
        prompt.present(pet, screen, AskPromptWindowController::InputMode::voice);
        AskPromptModel *model = prompt.model();
        m_input.feed(FakeAudioInput::tone(-80.0, 80));
        QTRY_COMPARE(model->mode(), AskPromptModel::Mode::text);
        QCOMPARE(model->errorMessage(), AskPromptModel::nothingHeardMessage());
        QVERIFY(prompt.isOpen());

        // The badge while listening goes back to typing with no message and no upload.
        auto *badge = prompt.panel()->findChild<QToolButton *>(QStringLiteral("modeBadge"));
        QTest::mouseClick(badge, Qt::LeftButton);
        QCOMPARE(model->mode(), AskPromptModel::Mode::recording);
        QCOMPARE(model->errorMessage(), std::nullopt);
        QTest::mouseClick(badge, Qt::LeftButton);
        QCOMPARE(model->mode(), AskPromptModel::Mode::text);

        // A failed transcription keeps the panel open with the reason.
        model->startRecording();
        m_input.feed(FakeAudioInput::tone(-20.0, 5) + FakeAudioInput::tone(-70.0, 12));
        QTRY_COMPARE(model->mode(), AskPromptModel::Mode::text);
        QVERIFY(model->errorMessage()->startsWith(QStringLiteral("Transcription failed: ")));
        QCOMPARE(m_transcribedFiles.size(), 1);
        QVERIFY(!QFile::exists(m_transcribedFiles.at(0)));

        // No microphone.
        m_input.refusal = QStringLiteral("no microphone is connected");
        model->startRecording();
        QCOMPARE(model->mode(), AskPromptModel::Mode::text);
        QCOMPARE(model->errorMessage(), QStringLiteral("Couldn't start recording: no microphone is connected"));

        // Closing mid-recording removes the file.
        m_input.refusal.reset();
        model->startRecording();
        QVERIFY(m_input.capturing);
        prompt.close();
        QVERIFY(!m_input.capturing);
        QTRY_VERIFY(QDir(AudioRecorder::recordingsFolder())
                        .entryList({ QStringLiteral("tamsel-ask-*") }, QDir::Files)
                        .isEmpty());
    }
};

TAMSEL_TEST_MAIN(TestAskPrompt)
#include "tst_askprompt.moc"
