#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Capture from the default input, as the audio module offers it. The module (Qt Multimedia and the
// sound server's libraries under it) is loaded only when the microphone is first used, so that
// none of it weighs on the program's start; QtAudioInput loads it.
class AudioCapture {
public:
    virtual ~AudioCapture() = default;

    // Starts capturing as AudioInput::start() describes; samples and a failure of the device then
    // arrive from the event loop through the callbacks, until stop().
    virtual std::optional<QString> start(
        std::function<void(const QByteArray &pcm)> samples, std::function<void(const QString &reason)> failed)
        = 0;
    virtual void stop() = 0;
};

// The module's entry point, an extern "C" function of this name: a new capture the caller owns.
using CreateAudioCapture = AudioCapture *(*)();
inline constexpr char createAudioCaptureSymbol[] = "tamsel_create_audio_capture";
