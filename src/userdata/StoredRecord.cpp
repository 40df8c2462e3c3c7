#include "userdata/StoredRecord.h"

#include <cmath>

namespace StoredRecord {

namespace {
// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 kReferenceMs = 978307200000;
constexpr double kMaxReferenceSeconds = 1e11;
}

double referenceSeconds(const QDateTime &moment)
{
    return static_cast<double>(moment.toMSecsSinceEpoch() - kReferenceMs) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxReferenceSeconds)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(kReferenceMs + std::llround(seconds * 1000.0), Qt::UTC);
}

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> uuidFromText(const QString &text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hexDigit = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPlace ? c != u'-' : !hexDigit)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

}
