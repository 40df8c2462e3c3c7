#pragma once

#include <QString>

// What the panes call an atlas row. Numbers are shown one-based: row 3 is "Animation 4". A name,
// trimmed of white space, wins over both.
namespace RowLabels {
// For hints, lists and menus: "Default (Row 0)", "Animation 4".
QString longLabel(qint64 row, const QString &name);
// For the small tiles: "Default", "Anim 4".
QString shortLabel(qint64 row, const QString &name);
}
