#include "platform/RandomSource.h"

#include <QRandomGenerator>

namespace {
class SystemRandom final : public RandomSource {
public:
    qint64 boundedInt(qint64 low, qint64 high) override
    {
        if (high <= low)
            return low;
        return QRandomGenerator::global()->bounded(low, high + 1);
    }
    double boundedDouble(double low, double high) override
    {
        if (!(high > low))
            return low;
        return low + QRandomGenerator::global()->generateDouble() * (high - low);
    }
};
}

RandomSource &RandomSource::system()
{
    static SystemRandom random;
    return random;
}
