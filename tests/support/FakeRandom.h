#pragma once

#include "platform/RandomSource.h"

#include <QList>

#include <algorithm>

// Answers from a script of values in [0, 1); each draw maps the next value into the asked range.
// When the script runs out it repeats its last value (0 when empty).
class FakeRandom final : public RandomSource {
public:
    explicit FakeRandom(QList<double> script = {})
        : m_script(std::move(script))
    {
    }

    void setScript(QList<double> script)
    {
        m_script = std::move(script);
        m_index = 0;
    }
    int draws() const { return m_draws; }

    qint64 boundedInt(qint64 low, qint64 high) override
    {
        if (high <= low) {
            ++m_draws;
            return low;
        }
        const double unit = next();
        const qint64 span = high - low + 1;
        return low + std::min<qint64>(span - 1, static_cast<qint64>(unit * static_cast<double>(span)));
    }
    double boundedDouble(double low, double high) override { return low + next() * (high - low); }

private:
    double next()
    {
        ++m_draws;
        if (m_script.isEmpty())
            return 0.0;
        const double value = m_script.at(std::min<qsizetype>(m_index, m_script.size() - 1));
        ++m_index;
        return std::clamp(value, 0.0, 0.999999);
    }

    QList<double> m_script;
    qsizetype m_index = 0;
    int m_draws = 0;
};
