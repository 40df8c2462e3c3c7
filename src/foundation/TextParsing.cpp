#include "foundation/TextParsing.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <cmath>

namespace TextParsing {

std::optional<qint64> strictInteger(QStringView text)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = QLocale::c().toLongLong(text.startsWith(u'+') ? text.mid(1) : text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> strictDouble(QStringView text)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\A[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\z"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text.startsWith(u'+') ? text.mid(1) : text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

}
