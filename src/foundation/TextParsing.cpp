
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

}
