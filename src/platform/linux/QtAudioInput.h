#pragma once

#include "platform/AudioInput.h"

#include <QPointer>

#include <memory>

class QAudioSource;
class QIODevice;

// The default input device through Qt Multimedia (PulseAudio or PipeWire underneath).
class QtAudioInput final : public AudioInput {
    Q_OBJECT

public:
    explicit QtAudioInput(QObject *parent = nullptr);
    ~QtAudioInput() override;

    std::optional<QString> start() override;
    void stop() override;

private:
    std::unique_ptr<QAudioSource> m_source;
    QPointer<QIODevice> m_device;
};
