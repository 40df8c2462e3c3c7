#pragma once

#include "platform/AudioInput.h"

#include <QtEndian>

#include <cmath>

// A microphone driven by the test: it refuses to start when told to, and delivers whatever
// samples the test feeds it.
class FakeAudioInput final : public AudioInput {
    Q_OBJECT

public:
    using AudioInput::AudioInput;

    std::optional<QString> refusal;
    bool capturing = false;

    std::optional<QString> start() override
    {
        if (refusal)
            return refusal;
        capturing = true;
        return std::nullopt;
    }
    void stop() override { capturing = false; }

    void feed(const QByteArray &pcm) { emit samplesCaptured(pcm); }

    // A sine tone whose RMS is the given level in dBFS, for the given number of 0.1 s blocks.
    static QByteArray tone(double decibels, int blocks)
    {
        const int count = blocks * sampleRate / 10;
        const double amplitude = std::pow(10.0, decibels / 20.0) * std::sqrt(2.0) * 32767.0;
        QByteArray pcm(count * 2, Qt::Uninitialized);
        for (int i = 0; i < count; ++i) {
            const auto sample
                = static_cast<qint16>(std::lround(amplitude * std::sin(2.0 * M_PI * 440.0 * i / sampleRate)));
            qToLittleEndian(sample, pcm.data() + 2 * i);
        }
        return pcm;
    }
};
