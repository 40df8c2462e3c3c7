#include "behavior/RowRoles.h"

#include <utility>

namespace RowRoles {

namespace {

struct RowKeyword {
    QLatin1String keyword;
    double fps;
    bool inPool; // offered to wander mode as an in-place animation
    bool oneShot; // played once rather than looped when picked
};

// Checked in this order; the first keyword a name contains decides its rate.
constexpr RowKeyword rowKeywords[] = {
    { QLatin1String("wave"), 10.0, true, true },
    { QLatin1String("jump"), 12.0, true, true },
    { QLatin1String("danc"), 10.0, true, false },
    { QLatin1String("wait"), 7.0, true, false },
    { QLatin1String("tired"), 6.0, true, false },
    { QLatin1String("sleep"), 6.0, false, false },
    { QLatin1String("review"), 8.0, true, false },
};

}

MovementRows movementRows(const QList<qint64> &rows, const NameOf &nameOf, bool inverted)
{
    MovementRows found;
    for (qint64 row : rows) {
        const QString name = nameOf(row).toLower();
        if (name.isEmpty())
            continue;
        if (!found.right && name.contains(QLatin1String("right")))
            found.right = row;
        else if (!found.left && name.contains(QLatin1String("left")))
            found.left = row;
    }
    if (inverted)
        std::swap(found.right, found.left);
    return found;
}

std::optional<QList<BehaviorEngine::ActionPick>> actionPool(
    const QList<qint64> &rows, const NameOf &nameOf, const MovementRows &movement)
{
    QList<QString> names;
    names.reserve(rows.size());
    for (qint64 row : rows)
        names.append(nameOf(row).toLower());
    QList<BehaviorEngine::ActionPick> found;
    for (const RowKeyword &entry : rowKeywords) {
        if (!entry.inPool)
            continue;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const qint64 row = rows.at(i);
            if (row == 0 || row == movement.right || row == movement.left)
                continue;
            if (names.at(i).contains(entry.keyword)) {
                found.append({ row, entry.oneShot });
                break;
            }
        }
    }
    if (found.isEmpty())
        return std::nullopt;
    QList<BehaviorEngine::ActionPick> pool { { 0, false }, { 0, false } };
    pool.append(found);
    return pool;
}

std::optional<double> keywordFps(const QString &lowerCasedName)
{
    for (const RowKeyword &entry : rowKeywords) {
        if (lowerCasedName.contains(entry.keyword))
            return entry.fps;
    }
    return std::nullopt;
}

}
