#include "llm/ChatterGenerator.h"

#include "foundation/TextTrim.h"
#include "llm/GroqClient.h"
#include "pets/SpriteSheetDecoder.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/PetCharacter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

namespace {
// Follows the number of lines asked for; the list of rows comes after it.
const QString instructionsText = QString::fromUtf8(
    R"PROMPT( lines the pet would say WHILE PLAYING THAT EXACT ANIMATION. Every line must clearly reference the activity — if the animation is "drink water", the lines must be about thirst / hydration / the act of drinking, not generic small talk. Do not write lines that could apply to any animation.

STRICT RULES:
- Each line must be ≤ 60 characters.
- Use proper sentence casing: capitalize the first word and any proper nouns. NEVER write in all lowercase.
- End with normal punctuation (. ? !). Match the persona's tone.
- Stay in character (see system message). If the persona is snarky, the lines should be snarky about THIS activity, not generic snark.
- Vary the lines: include statements, questions, exclamations, and one or two short observations.
- Emojis: sprinkle them in when they fit the activity naturally — at most ONE per line, on roughly 30–50% of lines, never two in a row. Pick emojis that match the action (e.g. 💧 for drinking, 👋 for waving, 🏃 for running). Skip them when the persona is dry or grumpy and they'd feel out of place.
- No surrounding quotes, no numbering, no leading dashes.

GOOD example (animation "wave"):
["Hey there, friend! 👋", "Look who's back.", "Heya, you ready?", "Oh hi! 🙌"]

BAD example (animation "wave" — too generic, no casing, emoji-spammy):
["hi 😀😀", "hello", "it's me 🔥🔥🔥"]

Animations:
)PROMPT");

// Follows the list of rows.
const QString closingText = QString::fromUtf8(R"PROMPT(

Respond with ONLY a JSON object of this exact shape (no commentary):
{
  "<animation name>": ["line 1", "line 2", ...]
})PROMPT");

const QString jsonOnlyReminder
    = QStringLiteral("Reply with raw JSON only. No markdown fences, no commentary, no explanation before or after.");

// The object of a reply decoded strictly: every member a list of strings, or nothing.
std::optional<ChatterGenerator::RowLines> decodeRows(const QString &candidate)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(candidate.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    ChatterGenerator::RowLines rows;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isArray())
            return std::nullopt;
        QStringList lines;
        for (const QJsonValue &line : it.value().toArray()) {
            if (!line.isString())
                return std::nullopt;
            lines.append(line.toString());
        }
        rows.insert(it.key(), lines);
    }
    return rows;
}
}

ChatterGenerator::GenError ChatterGenerator::GenError::modelDidNotReturnJSON(QString reply)
{
    GenError error(Kind::ModelDidNotReturnJSON);
    error.m_reply = std::move(reply);
    return error;
}

ChatterGenerator::GenError ChatterGenerator::GenError::partial(int done, int total, QStringList missing)
{
    GenError error(Kind::Partial);
    error.m_done = done;
    error.m_total = total;
    error.m_missing = std::move(missing);
    return error;
}

ChatterGenerator::GenError ChatterGenerator::GenError::client(ClientError clientError)
{
    GenError error(Kind::Client);
    error.m_client = std::move(clientError);
    return error;
}

QString ChatterGenerator::GenError::description() const
{
    switch (m_kind) {
    case Kind::ModelDidNotReturnJSON:
        return QStringLiteral("The model didn't return parseable JSON. Got: ")
            + firstCharacters(m_reply, replyExcerptLength) + QChar(0x2026);
    case Kind::Partial: {
        QString text = QStringLiteral("Wrote lines for %1 of %2 animations. The model skipped ")
                           .arg(QString::number(m_done), QString::number(m_total));
        text += m_missing.mid(0, 4).join(QStringLiteral(", "));
        if (m_missing.size() > 4)
            text += QStringLiteral(" and ") + QString::number(m_missing.size() - 4) + QStringLiteral(" more");
        return text + QStringLiteral(". Run it again to fill in the rest, or generate those rows individually.");
    }
    case Kind::NoKey: return QStringLiteral("Add a Groq API key in Preferences \u2192 Advanced first.");
    case Kind::NoPersonality: return QStringLiteral("Describe a personality in Preferences \u2192 Behavior first.");
    case Kind::NoNamedRows: return QStringLiteral("Name at least one animation before generating chatter.");
    case Kind::Empty: return QStringLiteral("The model returned no usable lines.");
    case Kind::Client: return m_client ? m_client->description() : QString();
    }
    return {};
}

ChatterGenerator::ChatterGenerator(GroqClient &client, const SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_client(&client)
    , m_settings(settings)
{
}

QString ChatterGenerator::model() const
{
    return m_settings.value(SettingsKeys::groqModel);
}

QString ChatterGenerator::userPrompt(const QStringList &namedRows, int linesPerRow)
{
    QStringList list;
    list.reserve(namedRows.size());
    for (const QString &name : namedRows)
        list.append(QStringLiteral("- \"") + name + QLatin1Char('"'));
    return QStringLiteral("You write short chat-bubble lines for a desktop pet animation.\n\nFor EACH animation "
                          "below, write ")
        + QString::number(linesPerRow) + instructionsText + list.join(QLatin1Char('\n')) + closingText;
}

QString ChatterGenerator::rawJSONReminder()
{
    return jsonOnlyReminder;
}

QCoro::Task<Result<ChatterGenerator::RowLines, ChatterGenerator::GenError>> ChatterGenerator::callGroq(
    PetCharacter character, QStringList namedRows, int linesPerRow)
{
    QPointer<ChatterGenerator> self(this);
    if (!m_client)
        co_return GenError::client(ClientError::cancelled());
    const QString chosenModel = model();
    QList<GroqMessage> messages { { QStringLiteral("system"), character.systemPrompt() },
        { QStringLiteral("user"), userPrompt(namedRows, linesPerRow) } };
    const std::optional<QString> effort = QStringLiteral("low");

    Result<QString, ClientError> reply
        = co_await m_client->chatOnce(chosenModel, messages, temperature, maxTokens, true, effort);
    if (!self || !m_client)
        co_return GenError::client(ClientError::cancelled());
    if (!reply.ok() && GroqClient::isJSONValidationFailure(reply.error())) {
        messages.append({ QStringLiteral("system"), jsonOnlyReminder });
        reply = co_await m_client->chatOnce(chosenModel, messages, temperature, maxTokens, false, effort);
        if (!self)
            co_return GenError::client(ClientError::cancelled());
    }
    if (!reply.ok())
        co_return GenError::client(reply.error());
    co_return parsePerRowJSON(reply.value());
}

Result<ChatterGenerator::RowLines, ChatterGenerator::GenError> ChatterGenerator::parsePerRowJSON(const QString &reply)
{
    const QString trimmed = reply.trimmed();
    const qsizetype open = trimmed.indexOf(QLatin1Char('{'));
    if (open < 0)
        return GenError::modelDidNotReturnJSON(reply);
    const QString object = trimmed.mid(open);
    const qsizetype close = object.lastIndexOf(QLatin1Char('}'));
    const QString candidate = close >= 0 ? object.left(close + 1) : salvageTruncated(object).value_or(object);
    if (const std::optional<RowLines> rows = decodeRows(candidate))
        return tidy(*rows);
    if (const std::optional<QString> repaired = salvageTruncated(candidate)) {
        if (const std::optional<RowLines> rows = decodeRows(*repaired); rows && !rows->isEmpty())
            return tidy(*rows);
    }
    return GenError::modelDidNotReturnJSON(reply);
}

std::optional<QString> ChatterGenerator::salvageTruncated(const QString &text)
{
    const qsizetype last = text.lastIndexOf(QLatin1Char(']'));
    if (last < 0)
        return std::nullopt;
    return text.left(last + 1).trimmed() + QLatin1Char('}');
}

QString ChatterGenerator::firstCharacters(const QString &text, int count)
{
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int taken = 0; taken < count; ++taken) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

QString ChatterGenerator::capitalized(const QString &line)
{
    if (line.isEmpty())
        return line;
    const char32_t first = line.at(0).isHighSurrogate() && line.size() > 1 && line.at(1).isLowSurrogate()
        ? QChar::surrogateToUcs4(line.at(0), line.at(1))
        : line.at(0).unicode();
    if (!QChar::isLower(first))
        return line;
    const char32_t upper = QChar::toUpper(first);
    if (upper == first)
        return line;
    const qsizetype width = QChar::requiresSurrogates(first) ? 2 : 1;
    return QString::fromUcs4(&upper, 1) + line.mid(width);
}

ChatterGenerator::RowLines ChatterGenerator::tidy(const RowLines &rows)
{
    RowLines tidied;
    for (auto it = rows.constBegin(); it != rows.constEnd(); ++it) {
        QStringList lines;
        for (const QString &line : it.value()) {
            if (lines.size() >= maxLinesPerRow)
                break;
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty())
                continue;
            lines.append(capitalized(firstCharacters(trimmed, maxLineLength)));
        }
        if (!lines.isEmpty())
            tidied.insert(it.key(), lines);
    }
    return tidied;
}

QString ChatterGenerator::normalizedKey(const QString &name)
{
    const QString lower = name.toLower();
    QString key;
    key.reserve(lower.size());
    bool inRun = false;
    for (QChar c : lower) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
            key.append(c);
            inRun = false;
        } else if (!inRun) {
            key.append(QLatin1Char(' '));
            inRun = true;
        }
    }
    return TextTrim::spacesAndTabs(key);
}

std::optional<QStringList> ChatterGenerator::lines(const QString &name, const RowLines &rows)
{
    const auto exact = rows.constFind(name);
    if (exact != rows.constEnd())
        return exact.value();
    const QString wanted = normalizedKey(name);
    for (auto it = rows.constBegin(); it != rows.constEnd(); ++it) {
        if (normalizedKey(it.key()) == wanted)
            return it.value();
    }
    return std::nullopt;
}

QStringList ChatterGenerator::merged(const QStringList &existing, const QStringList &generated, WriteMode mode)
{
    return mode == WriteMode::Replace ? generated : existing + generated;
}

QCoro::Task<Result<ChatterGenerator::Done, ChatterGenerator::GenError>> ChatterGenerator::generateAll(QString petID,
    PetAnimationMapStore &mapStore, CharacterStore &characterStore, std::shared_ptr<SpriteSheetDecoder> decoder,
    int linesPerRow, WriteMode mode)
{
    QPointer<ChatterGenerator> self(this);
    QPointer<PetAnimationMapStore> maps(&mapStore);
    if (!m_client || !m_client->hasKey())
        co_return GenError::noKey();
    const PetCharacter character = characterStore.character(petID);
    if (TextTrim::spacesAndTabs(character.personality).isEmpty())
        co_return GenError::noPersonality();

    struct NamedRow {
        qint64 row;
        QString name;
    };
    QList<NamedRow> named;
    if (decoder) {
        for (qint64 row : decoder->nonEmptyRows()) {
            const QString name = TextTrim::spacesAndTabs(mapStore.mapping(petID, row).name);
            if (!name.isEmpty())
                named.append({ row, name });
        }
    }
    if (named.isEmpty())
        co_return GenError::noNamedRows();

    QMap<qint64, QStringList> collected;
    QList<NamedRow> pending = named;
    QList<NamedRow> missing;
    std::optional<GenError> lastError;
    for (int passes = 1;; ++passes) {
        for (qsizetype start = 0; start < pending.size(); start += batchSize) {
            const QList<NamedRow> batch = pending.mid(start, batchSize);
            QStringList names;
            for (const NamedRow &entry : batch)
                names.append(entry.name);
            Result<RowLines, GenError> reply = co_await callGroq(character, names, linesPerRow);
            if (!self || !maps)
                co_return GenError::client(ClientError::cancelled());
            if (!reply.ok()) {
                // Nothing of this batch came back; its rows wait for the next pass.
                lastError = reply.error();
                missing.append(batch);
                continue;
            }
            for (const NamedRow &entry : batch) {
                const std::optional<QStringList> found = lines(entry.name, reply.value());
                if (found && !found->isEmpty())
                    collected.insert(entry.row, *found);
                else
                    missing.append(entry);
            }
        }
        if (missing.isEmpty() || missing.size() == pending.size() || passes >= maxPasses)
            break;
        pending = missing;
        missing.clear();
    }

    if (collected.isEmpty() && lastError)
        co_return *lastError;

    QStringList missingNames;
    for (const NamedRow &entry : named) {
        const auto found = collected.constFind(entry.row);
        if (found == collected.constEnd())
            continue;
        const AnimationMapping current = mapStore.mapping(petID, entry.row);
        mapStore.setMapping(petID, entry.row, { current.name, merged(current.chatter, found.value(), mode) });
    }
    for (const NamedRow &entry : missing)
        missingNames.append(entry.name);
    if (!missing.isEmpty())
        co_return GenError::partial(int(collected.size()), int(named.size()), missingNames);
    // Spelled out: gcc 12 loses a braced "co_return Done {}" and never resumes the awaiter.
    co_return Result<Done, GenError>(Done {});
}

QCoro::Task<Result<ChatterGenerator::Done, ChatterGenerator::GenError>> ChatterGenerator::generateRow(
    QString petID, qint64 row, PetAnimationMapStore &mapStore, CharacterStore &characterStore, WriteMode mode)
{
    QPointer<ChatterGenerator> self(this);
    QPointer<PetAnimationMapStore> maps(&mapStore);
    if (!m_client || !m_client->hasKey())
        co_return GenError::noKey();
    const PetCharacter character = characterStore.character(petID);
    if (TextTrim::spacesAndTabs(character.personality).isEmpty())
        co_return GenError::noPersonality();
    const QString name = TextTrim::spacesAndTabs(mapStore.mapping(petID, row).name);
    if (name.isEmpty())
        co_return GenError::noNamedRows();

    const QStringList names(name);
    Result<RowLines, GenError> reply = co_await callGroq(character, names, rowLinesPerRequest);
    if (!self || !maps)
        co_return GenError::client(ClientError::cancelled());
    if (!reply.ok())
        co_return reply.error();
    const std::optional<QStringList> found = lines(name, reply.value());
    if (!found || found->isEmpty())
        co_return GenError::empty();
    // Read again: the user may have edited the row while the request was out.
    const AnimationMapping current = mapStore.mapping(petID, row);
    mapStore.setMapping(petID, row, { current.name, merged(current.chatter, *found, mode) });
    // Spelled out: gcc 12 loses a braced "co_return Done {}" and never resumes the awaiter.
    co_return Result<Done, GenError>(Done {});
}
