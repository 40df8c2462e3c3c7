#include "llm/SilenceDetector.h"

#include <algorithm>
#include <cmath>
#include <limits>

double SilenceDetector::meterLevel(double decibels)
{
    if (std::isnan(decibels))
        return 0.0;
    if (decibels > 0.0)
        return 1.0;
    return (std::max(decibels, -50.0) + 50.0) / 50.0;
}

double SilenceDetector::rmsDecibels(std::span<const qint16> samples)
{
    if (samples.empty())
        return -std::numeric_limits<double>::infinity();
    double sumOfSquares = 0.0;
    for (const qint16 sample : samples) {
        const double normalised = sample / 32768.0;
        sumOfSquares += normalised * normalised;
    }
    const double rms = std::sqrt(sumOfSquares / static_cast<double>(samples.size()));
    if (rms <= 0.0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(rms);
}

SilenceDetector::Decision SilenceDetector::feed(double decibels)
{
    if (m_ended)
        return Decision::keepRecording;
    ++m_elapsedTicks;
    if (decibels > speechThresholdDB) {
        m_heardSpeech = true;
        m_quietTicks = 0;
    } else if (decibels < silenceThresholdDB || std::isnan(decibels)) {
        ++m_quietTicks;
    } else {
        m_quietTicks = 0;
    }

    if (m_heardSpeech) {
        if (m_quietTicks >= silenceTicksToEnd || m_elapsedTicks >= maxTicks) {
            m_ended = true;
            return Decision::speechEnded;
        }
    } else if (m_elapsedTicks >= patienceTicks) {
        m_ended = true;
        return Decision::nothingHeard;
    }
    return Decision::keepRecording;
}
