#pragma once

#include "platform/linux/AudioCapture.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAudioSource;
class QIODevice;

// The default input device through Qt Multimedia (PulseAudio or PipeWire underneath).
class QtAudioCapture final : public AudioCapture {
public:
    QtAudioCapture() = default;
    ~QtAudioCapture() override;

    std::optional<QString> start(
        std::function<void(const QByteArray &pcm)> samples, std::function<void(const QString &reason)> failed) override;
    void stop() override;

private:
    // The context of the connections to the source and its device.
    QObject m_context;
    std::unique_ptr<QAudioSource> m_source;
    QPointer<QIODevice> m_device;
};
