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

    // The program's source: the system's generator, or a reproducible one when the environment
    // holds TAMSEL_RANDOM_SEED (see RandomSource.cpp).
    static RandomSource &system();
};
