#pragma once

#include <QtGlobal>

// Randomness, injected so that behaviour is reproducible in tests.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Uniform integer in [low, high]; returns low when high < low.
    virtual qint64 boundedInt(qint64 low, qint64 high) = 0;
    // Uniform double in [low, high).
    virtual double boundedDouble(double low, double high) = 0;

    static RandomSource &system();
};
