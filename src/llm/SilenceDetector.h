#pragma once

#include <QtGlobal>

#include <span>

// Decides when a spoken question is over from the level of each 0.1 s block of the recording.
// Time is counted in blocks, not measured, so late blocks processed in order give the same
// decisions as blocks that arrived on time.
class SilenceDetector {
public:
    enum class Decision { keepRecording, speechEnded, nothingHeard };

    static constexpr double speechThresholdDB = -35.0;
    static constexpr double silenceThresholdDB = -45.0;
    static constexpr int ticksPerSecond = 10;
    static constexpr int silenceTicksToEnd = 12; // 1.2 s of silence after speech
    static constexpr int patienceTicks = 80; // 8 s without any speech
    static constexpr int maxTicks = 600; // 60 s, the hard limit of one recording

    // The meter's 0..1 reading of a level: 1 at 0 dB and above, 0 at -50 dB and below.
    static double meterLevel(double decibels);
    // The RMS of signed 16-bit samples in dB relative to full scale; -inf for silence or no
    // samples.
    static double rmsDecibels(std::span<const qint16> samples);

    // One block's level. At most one block ever returns a decision other than keepRecording;
    // every later block keeps recording (the meter may go on moving).
    Decision feed(double decibels);

    bool hasHeardSpeech() const { return m_heardSpeech; }
    bool hasEnded() const { return m_ended; }
    int elapsedTicks() const { return m_elapsedTicks; }

private:
    bool m_heardSpeech = false;
    bool m_ended = false;
    int m_quietTicks = 0;
    int m_elapsedTicks = 0;
};
