#include "foundation/StoredJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace StoredJson {

namespace {
// Enough of a pet identifier or row key to recognise it in a log line.
constexpr qsizetype kMaxQuotedLength = 40;
}

namespace {
Result<QJsonDocument, QString> parseDocument(const QByteArray &data)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        return QStringLiteral("The stored data is not valid JSON (%1 at offset %2).")
            .arg(error.errorString())
            .arg(error.offset);
    }
    return document;
}
}

Result<QJsonObject, QString> parseObject(const QByteArray &data)
{
    auto document = parseDocument(data);
    if (!document)
        return document.error();
    if (!document.value().isObject())
        return QStringLiteral("The stored data is not a JSON object.");
    return document.value().object();
}

Result<QJsonArray, QString> parseArray(const QByteArray &data)
{
    auto document = parseDocument(data);
    if (!document)
        return document.error();
    if (!document.value().isArray())
        return QStringLiteral("The stored data is not a JSON array.");
    return document.value().array();
}

std::optional<qint64> exactInteger(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() gives the default for fractions and numbers beyond 64 bits; asking with two
    // different defaults tells a stored value apart from either of them.
    const qint64 first = value.toInteger(0);
    const qint64 second = value.toInteger(1);
    if (first != second)
        return std::nullopt;
    return first;
}

QString quoted(const QString &text)
{
    QString shown = text.size() > kMaxQuotedLength ? text.left(kMaxQuotedLength) + QStringLiteral("...") : text;
    // The JSON writer escapes quotes and control characters, which keeps a log entry on one line.
    const QByteArray json = QJsonDocument(QJsonArray { shown }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}
