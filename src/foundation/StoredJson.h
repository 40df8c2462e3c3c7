#pragma once

#include "foundation/Result.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// Helpers shared by the stores that keep a JSON document in the settings. The stored text may have
// been edited by hand, truncated or replaced by anything at all; every check here is total.
namespace StoredJson {
// A stored collection read record by record: the records that could be read, and for each one
// that could not a sentence saying why.
template<typename T> struct Decoded {
    T records {};
    QStringList skipped;
};
// The document's top-level object, or a sentence saying why there is none.
Result<QJsonObject, QString> parseObject(const QByteArray &data);
// The same for a top-level array.
Result<QJsonArray, QString> parseArray(const QByteArray &data);
// A JSON number that is a whole number within the signed 64-bit range (3 and 3.0, not 3.5).
std::optional<qint64> exactInteger(const QJsonValue &value);
// A stored key or text quoted for a log line: control characters escaped, long texts shortened.
QString quoted(const QString &text);
// Compact UTF-8 JSON of the object.
QByteArray compact(const QJsonObject &object);
}
