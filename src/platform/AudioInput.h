#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The microphone: 16 kHz, mono, signed 16-bit little-endian PCM from the desktop's default
// input. Captured samples arrive from the event loop in chunks of any size.
class AudioInput : public QObject {
    Q_OBJECT

public:
    static constexpr int sampleRate = 16000;

    using QObject::QObject;
    ~AudioInput() override = default;

    // Opens the default input and starts capturing. The reason in a sentence fragment when there
    // is no input device or it cannot be opened ("no microphone is connected").
    virtual std::optional<QString> start() = 0;
    // Stops capturing; no samples arrive afterwards. Harmless when not capturing.
    virtual void stop() = 0;

signals:
    void samplesCaptured(const QByteArray &pcm);
    // The device stopped delivering for a reason of its own (unplugged, the sound server quit).
    void failed(const QString &reason);
};
