#include "platform/RandomSource.h"

#include <QRandomGenerator>
#include <QString>

#include <optional>

namespace {
// The system's generator. TAMSEL_RANDOM_SEED=<number> puts a generator seeded with that number in
// its place, so that a test of the whole program sees the same draws on every run; unset, or not a
// number, it changes nothing. The seeded generator is not thread-safe: like every user of this
// source, it stays on the main thread.
class SystemRandom final : public RandomSource {
public:
    SystemRandom()
    {
        bool isNumber = false;
        const quint32 seed = qEnvironmentVariable("TAMSEL_RANDOM_SEED").toUInt(&isNumber);
        if (isNumber)
            m_seeded.emplace(seed);
    }

    qint64 boundedInt(qint64 low, qint64 high) override
    {
        if (high <= low)
            return low;
        return generator().bounded(low, high + 1);
    }
    double boundedDouble(double low, double high) override
    {
        if (!(high > low))
            return low;
        return low + generator().generateDouble() * (high - low);
    }

private:
    QRandomGenerator &generator() { return m_seeded ? *m_seeded : *QRandomGenerator::global(); }

    std::optional<QRandomGenerator> m_seeded;
};
}

RandomSource &RandomSource::system()
{
    static SystemRandom random;
    return random;
}
