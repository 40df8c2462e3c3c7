#pragma once

#include "behavior/BehaviorEngine.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What the rows of an atlas are for, read from the names the user gave them: which rows walk the
// pet right and left, which play in place in wander mode, and how fast a named row plays. One
// keyword table serves all three.
namespace RowRoles {

// The user's name for a row, empty when it has none.
using NameOf = std::function<QString(qint64 row)>;

struct MovementRows {
    std::optional<qint64> right;
    std::optional<qint64> left;
    bool operator==(const MovementRows &) const = default;
};

// The first row whose lower-cased name contains "right" walks right, the first other one whose
// name contains "left" walks left; swapped when the pet's movement is inverted.
MovementRows movementRows(const QList<qint64> &rows, const NameOf &nameOf, bool inverted);

// Wander mode's in-place animations: for each pool keyword in table order, the first row (other
// than row 0 and the movement rows) whose lower-cased name contains it, behind two picks of row 0
// so that doing nothing stays the likeliest draw. None when no row matches.
std::optional<QList<BehaviorEngine::ActionPick>> actionPool(
    const QList<qint64> &rows, const NameOf &nameOf, const MovementRows &movement);

// The base frame rate of the first keyword a lower-cased row name contains, if any.
std::optional<double> keywordFps(const QString &lowerCasedName);

}
