#include "pets/PetManifestParser.h"

#include "foundation/TextParsing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace {

// An integer field: a JSON integer as is, a JSON number truncated toward zero, or a strict
// base-10 string. Non-finite or out-of-range numbers are unusable.
std::optional<qint64> integerValue(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return std::nullopt;
        const double truncated = std::trunc(number);
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        if (truncated < -9223372036854775808.0 || truncated >= 9223372036854775808.0)
            return std::nullopt;
        if (truncated == number)
            return value.toInteger(static_cast<qint64>(truncated)); // exact for large integers
        return static_cast<qint64>(truncated);
    }
    if (value.isString() && !value.toString().isEmpty())
        return TextParsing::strictInteger(value.toString());
    return std::nullopt;
}

std::optional<double> numberValue(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    if (value.isString() && !value.toString().isEmpty())
        return TextParsing::strictDouble(value.toString());
    return std::nullopt;
}

std::optional<bool> loopValue(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool();
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::isfinite(number) && std::trunc(number) == number)
            return number != 0.0;
    }
    return std::nullopt;
}

std::optional<QString> stringValue(const QJsonValue &value)
{
    if (value.isString() && !value.toString().isEmpty())
        return value.toString();
    return std::nullopt;
}

template<typename Picker>
auto pick(const QJsonObject &object, std::initializer_list<const char *> keys, Picker picker)
    -> decltype(picker(QJsonValue()))
{
    for (const char *key : keys) {
        const auto it = object.constFind(QLatin1String(key));
        if (it == object.constEnd())
            continue;
        if (auto result = picker(it.value()))
            return result;
    }
    return std::nullopt;
}

PetAnimation parseAnimation(PetAnimationState state, const QJsonObject &entry)
{
    PetAnimation animation;
    animation.state = state;
    animation.row = pick(entry, { "row", "atlasRow", "y" }, integerValue).value_or(PetAnimationStates::position(state));
    animation.frameCount = std::max<qint64>(1,
        pick(entry, { "frameCount", "frames", "count", "length" }, integerValue)
            .value_or(PetManifest::defaultFrameCount));
    animation.fps
        = std::max(1.0, pick(entry, { "fps", "frameRate", "rate" }, numberValue).value_or(PetManifest::defaultFps));
    animation.loop
        = pick(entry, { "loop", "loops", "repeat" }, loopValue).value_or(PetAnimationStates::loopsByDefault(state));
    return animation;
}

bool isIdentifierCharacter(char32_t ucs4)
{
    switch (QChar::category(ucs4)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other: return true;
    default: return false;
    }
}

} // namespace

namespace PetManifestParser {

Result<PetManifest, PetManifestError> parse(const QByteArray &data, const QString &folderName)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return PetManifestError::invalidJSON(parseError.errorString());
    if (!document.isObject())
        return PetManifestError::invalidJSON(QStringLiteral("Root is not an object"));

    const QJsonObject object = document.object();
    PetManifest manifest;
    manifest.rawJSON = object;
    manifest.id = normalizeID(pick(object, { "id", "petId", "name" }, stringValue).value_or(folderName));
    manifest.displayName
        = pick(object, { "displayName", "display_name", "title", "name" }, stringValue).value_or(titleCase(folderName));
    manifest.description = pick(object, { "description", "summary", "blurb" }, stringValue);
    manifest.spritesheetFileName
        = pick(object, { "spritesheet", "spritesheetPath", "sprite_sheet", "sheet", "atlas" }, stringValue)
              .value_or(QStringLiteral("spritesheet.webp"));
    manifest.frameWidth = pick(object, { "frameWidth", "frame_width", "cellWidth" }, integerValue)
                              .value_or(PetManifest::defaultFrameWidth);
    manifest.frameHeight = pick(object, { "frameHeight", "frame_height", "cellHeight" }, integerValue)
                               .value_or(PetManifest::defaultFrameHeight);
    manifest.columns
        = pick(object, { "columns", "cols", "columnCount" }, integerValue).value_or(PetManifest::defaultColumns);

    const QJsonValue animations = object.value(QLatin1String("animations"));
    if (animations.isObject()) {
        // QJsonObject iterates in key order, so a state named twice deterministically keeps the
        // entry whose key sorts last.
        const QJsonObject entries = animations.toObject();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            const auto state = PetAnimationStates::parse(it.key());
            if (!state || !it.value().isObject())
                continue;
            manifest.animations.insert(*state, parseAnimation(*state, it.value().toObject()));
        }
    }
    return manifest;
}

QString normalizeID(const QString &text)
{
    const QString lower = text.toLower();
    QString result;
    result.reserve(lower.size());
    bool pendingDash = false;
    for (char32_t ucs4 : lower.toUcs4()) {
        if (ucs4 == U'_' || !isIdentifierCharacter(ucs4)) {
            pendingDash = true;
            continue;
        }
        if (pendingDash && !result.isEmpty())
            result.append(u'-');
        pendingDash = false;
        result.append(QString::fromUcs4(&ucs4, 1));
    }
    return result;
}

QString titleCase(const QString &text)
{
    QString spaced = text;
    spaced.replace(u'-', u' ').replace(u'_', u' ');
    QStringList pieces = spaced.split(u' ', Qt::SkipEmptyParts);
    for (QString &piece : pieces) {
        const qsizetype firstLength = piece.at(0).isHighSurrogate() && piece.size() > 1 ? 2 : 1;
        piece = piece.left(firstLength).toUpper() + piece.mid(firstLength);
    }
    return pieces.join(u' ');
}

}
