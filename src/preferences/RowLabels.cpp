#include "preferences/RowLabels.h"

#include "foundation/TextTrim.h"

QString RowLabels::longLabel(qint64 row, const QString &name)
{
    const QString trimmed = TextTrim::whiteSpaceAndLineBreaks(name);
    if (!trimmed.isEmpty())
        return trimmed;
    return row == 0 ? QStringLiteral("Default (Row 0)") : QStringLiteral("Animation %1").arg(row + 1);
}

QString RowLabels::shortLabel(qint64 row, const QString &name)
{
    const QString trimmed = TextTrim::whiteSpaceAndLineBreaks(name);
    if (!trimmed.isEmpty())
        return trimmed;
    return row == 0 ? QStringLiteral("Default") : QStringLiteral("Anim %1").arg(row + 1);
}
