#pragma once

#include "foundation/Result.h"
#include "llm/SilenceDetector.h"
#include "llm/WavFileWriter.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class AudioInput;

// Why a recording could not start, as the user reads it.
struct RecorderError {
    QString message;
    QString description() const { return QStringLiteral("Couldn't start recording: ") + message; }
    bool operator==(const RecorderError &) const = default;
};

// Records one spoken question into a WAV file and decides by itself when it is over. The
// captured samples are cut into blocks of 0.1 s; each block's level (its RMS in dBFS) moves the
// meter and feeds the silence detector, in order, however late the blocks arrive. At most one
// of speechEnded() and nothingHeard() is emitted per recording, from the event loop, so a
// listener may delete the recorder in its slot. A device that delivers nothing
// for two seconds ends the recording with nothingRecorded().
//
// The file lives in the user's runtime folder (else the temporary folder) as
// "tamsel-ask-<UUID>.wav". stop() keeps it for the caller, who removes it with cancel();
// destroying the recorder removes it too.
class AudioRecorder : public QObject {
    Q_OBJECT

public:
    static constexpr int blockSamples = 1600;
    static constexpr int stallTimeoutMs = 2000;

    explicit AudioRecorder(AudioInput &input, QObject *parent = nullptr);
    ~AudioRecorder() override;

    Result<bool, RecorderError> start();
    // Stops capturing and returns the finished file, or nothing when nothing was recording or
    // the file could not be completed.
    std::optional<QString> stop();
    // Stops and deletes the file.
    void cancel();

    bool isRecording() const { return m_recording; }
    double level() const { return m_level; }
    std::optional<QString> filePath() const { return m_filePath; }

    // Tests shorten the wait for a silent device.
    void setStallTimeout(int ms) { m_stallTimer.setInterval(ms); }

    static QString recordingsFolder();
    // Removes recordings that an earlier run left behind (a crash, a kill); only regular files
    // with our name pattern, never a link.
    static int removeLeftoverRecordings(const QString &folder = recordingsFolder());

signals:
    void levelUpdated(double level);
    void speechEnded();
    void nothingHeard();
    void nothingRecorded();

private:
    void handleSamples(const QByteArray &pcm);
    void handleBlock(const QByteArray &block);
    void stopCapture();
    void announce(void (AudioRecorder::*signal)());

    QPointer<AudioInput> m_input;
    SilenceDetector m_detector;
    WavFileWriter m_writer;
    QByteArray m_pending;
    QTimer m_stallTimer;
    std::optional<QString> m_filePath;
    double m_level = 0.0;
    bool m_recording = false;
};
