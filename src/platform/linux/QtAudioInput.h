#pragma once

#include "platform/AudioInput.h"

#include <QLibrary>

#include <memory>

class AudioCapture;

// The default input device through Qt Multimedia, which lives in the audio module
// (AudioCapture.h): loaded the first time the microphone starts, from the folder of the executable
// in a build tree, else from the program's library folder beside it once installed.
class QtAudioInput final : public AudioInput {
    Q_OBJECT

public:
    explicit QtAudioInput(QObject *parent = nullptr);
    ~QtAudioInput() override;

    std::optional<QString> start() override;
    void stop() override;

private:
    // The module's capture, made on first use; null when the module cannot be loaded.
    AudioCapture *capture();

    QLibrary m_module;
    std::unique_ptr<AudioCapture> m_capture;
};
