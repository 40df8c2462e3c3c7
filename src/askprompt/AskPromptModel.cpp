#include "askprompt/AskPromptModel.h"

#include "llm/AudioRecorder.h"
#include "platform/AudioInput.h"

#include <QFile>

QString AskPromptModel::nothingHeardMessage()
{
    return QStringLiteral("I didn't catch anything. Try again, or type instead.");
}

QString AskPromptModel::nothingRecordedMessage()
{
    return QStringLiteral("Nothing was recorded. Check your input device in your desktop's sound settings.");
}

AskPromptModel::AskPromptModel(AudioInput *input, Transcriber transcriber, QObject *parent)
    : QObject(parent)
    , m_input(input)
    , m_transcriber(std::move(transcriber))
{
}

AskPromptModel::~AskPromptModel()
{
    dropRecorder();
}

void AskPromptModel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit changed();
}

void AskPromptModel::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit changed();
}

void AskPromptModel::setError(std::optional<QString> error)
{
    if (error == m_error)
        return;
    m_error = std::move(error);
    emit changed();
}

void AskPromptModel::dropRecorder()
{
    if (!m_recorder)
        return;
    m_recorder->disconnect(this);
    m_recorder->cancel();
    m_recorder.reset();
    m_level = 0.0;
}

void AskPromptModel::toggleMode()
{
    switch (m_mode) {
    case Mode::text: startRecording(); break;
    case Mode::recording: cancelRecording(); break;
    case Mode::transcribing: break;
    }
}

void AskPromptModel::startRecording()
{
    if (m_mode != Mode::text)
        return;
    setError(std::nullopt);
    dropRecorder();
    if (!m_input) {
        setError(QStringLiteral("Couldn't start recording: no audio input is available"));
        return;
    }
    m_recorder = std::make_unique<AudioRecorder>(*m_input);
    connect(m_recorder.get(), &AudioRecorder::levelUpdated, this, [this](double level) {
        m_level = level;
        emit changed();
    });
    connect(m_recorder.get(), &AudioRecorder::speechEnded, this, &AskPromptModel::finishRecording);
    connect(m_recorder.get(), &AudioRecorder::nothingHeard, this, [this] {
        cancelRecording();
        setError(nothingHeardMessage());
    });
    connect(m_recorder.get(), &AudioRecorder::nothingRecorded, this, [this] {
        cancelRecording();
        setError(nothingRecordedMessage());
    });
    if (const Result<bool, RecorderError> started = m_recorder->start(); !started) {
        dropRecorder();
        m_mode = Mode::text;
        setError(started.error().description());
        return;
    }
    setMode(Mode::recording);
}

void AskPromptModel::cancelRecording()
{
    dropRecorder();
    setMode(Mode::text);
}

void AskPromptModel::finishRecording()
{
    if (m_mode != Mode::recording)
        return;
    const std::optional<QString> file = m_recorder ? m_recorder->stop() : std::nullopt;
    if (!file) {
        dropRecorder();
        m_mode = Mode::text;
        setError(nothingRecordedMessage());
        return;
    }
    setMode(Mode::transcribing);
    transcribe(*file);
}

QCoro::Task<> AskPromptModel::transcribe(QString path)
{
    QPointer<AskPromptModel> self(this);
    // Started outside the co_await: GCC 12 destroys temporaries of an awaited call twice.
    auto transcription = m_transcriber(path);
    const Result<QString, ClientError> result = co_await std::move(transcription);
    // The file goes after every attempt, also when the prompt closed meanwhile.
    QFile::remove(path);
    if (!self)
        co_return;
    dropRecorder();
    if (!result) {
        m_mode = Mode::text;
        setError(QStringLiteral("Transcription failed: ") + result.error().description());
        co_return;
    }
    m_text = result.value();
    m_mode = Mode::text;
    emit changed();
    emit transcribed(result.value());
}
