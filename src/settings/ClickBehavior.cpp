#include "settings/ClickBehavior.h"

#include "foundation/TextParsing.h"

#include <limits>

ClickBehavior ClickBehavior::fromRawString(const QString &raw)
{
    if (raw.isEmpty() || raw == QLatin1String("none"))
        return none();
    if (raw == QLatin1String("random"))
        return randomCycle();
    if (raw == QLatin1String("toggleRunning"))
        return toggleRunning();
    if (raw == QLatin1String("wave"))
        return row(1);
    if (raw == QLatin1String("jump"))
        return row(2);
    static const QLatin1String prefix("row:");
    if (raw.startsWith(prefix) && raw.size() > prefix.size()) {
        const auto n = TextParsing::strictInteger(QStringView(raw).mid(prefix.size()));
        if (n && *n >= std::numeric_limits<int>::min() && *n <= std::numeric_limits<int>::max())
            return row(static_cast<int>(*n));
    }
    return randomCycle();
}

QString ClickBehavior::rawString() const
{
    switch (m_kind) {
    case Kind::Row: return QStringLiteral("row:") + QString::number(m_row);
    case Kind::None: return QStringLiteral("none");
    case Kind::RandomCycle: return QStringLiteral("random");
    case Kind::ToggleRunning: return QStringLiteral("toggleRunning");
    }
    return QStringLiteral("random");
}
