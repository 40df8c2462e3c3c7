#pragma once

#include <QString>

// What a single click on the pet does. Stored as "row:<n>", "none", "random" or "toggleRunning".
class ClickBehavior {
public:
    enum class Kind { Row, None, RandomCycle, ToggleRunning };

    static ClickBehavior row(int n) { return ClickBehavior(Kind::Row, n); }
    static ClickBehavior none() { return ClickBehavior(Kind::None); }
    static ClickBehavior randomCycle() { return ClickBehavior(Kind::RandomCycle); }
    static ClickBehavior toggleRunning() { return ClickBehavior(Kind::ToggleRunning); }

    // Lenient: anything unrecognised reads as randomCycle.
    static ClickBehavior fromRawString(const QString &raw);
    QString rawString() const;

    Kind kind() const { return m_kind; }
    int rowIndex() const { return m_row; } // meaningful for Kind::Row only

    friend bool operator==(const ClickBehavior &, const ClickBehavior &) = default;

private:
    explicit ClickBehavior(Kind kind, int row = 0)
        : m_kind(kind)
        , m_row(row)
    {
    }

    Kind m_kind;
    int m_row;
};
