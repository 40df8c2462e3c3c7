#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>

class AudioInput;
class AudioRecorder;

// The state of one open Ask prompt: what is typed, whether it is listening or transcribing, the
// microphone's level and the error to show. A spoken question ends by itself, is transcribed and
// then submitted as if it had been typed. Destroying the model cancels any recording and removes
// its file.
class AskPromptModel : public QObject {
    Q_OBJECT

public:
    enum class Mode { text, recording, transcribing };
    using Transcriber = std::function<QCoro::Task<Result<QString, ClientError>>(QString audioFilePath)>;

    static QString nothingHeardMessage();
    static QString nothingRecordedMessage();

    AskPromptModel(AudioInput *input, Transcriber transcriber, QObject *parent = nullptr);
    ~AskPromptModel() override;

    Mode mode() const { return m_mode; }
    QString text() const { return m_text; }
    double level() const { return m_level; }
    std::optional<QString> errorMessage() const { return m_error; }

    void setText(const QString &text);
    // The mode badge: starts listening while typing, goes back to typing while listening, and
    // does nothing while transcribing.
    void toggleMode();
    void startRecording();
    // Ends the recording now ("Send") and transcribes it.
    void finishRecording();
    void cancelRecording();

signals:
    void changed();
    // A transcript to submit as the question.
    void transcribed(const QString &text);

private:
    QCoro::Task<> transcribe(QString path);
    void setMode(Mode mode);
    void setError(std::optional<QString> error);
    void dropRecorder();

    QPointer<AudioInput> m_input;
    Transcriber m_transcriber;
    std::unique_ptr<AudioRecorder> m_recorder;
    Mode m_mode = Mode::text;
    QString m_text;
    double m_level = 0.0;
    std::optional<QString> m_error;
};
