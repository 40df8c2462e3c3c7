#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>
#include <variant>

class CharacterStore;
class GroqClient;
class PetAnimationMapStore;
class SettingsStore;
class SpriteSheetDecoder;
struct PetCharacter;

// Lets the chat model write the chatter of a pet's named animation rows, for every named row at
// once or for one row, and stores the lines in the animation map (replacing or extending what was
// there). Requests go one at a time; the generator may be deleted while one is in flight, in which
// case the operation ends with a cancelled client error and stores nothing more.
//
// The model is asked for one JSON object of row name -> list of lines. Its reply is untrusted: it
// is parsed strictly, cut-off replies are repaired where possible, and every line is trimmed,
// capitalised and bounded before it is stored.
class ChatterGenerator : public QObject {
    Q_OBJECT

public:
    enum class WriteMode { Replace, Append };

    // Why generation failed. description() is a finished sentence for an alert.
    class GenError {
    public:
        // Client wraps a failed request (including cancellation) and describes itself as that error.
        enum class Kind { ModelDidNotReturnJSON, Partial, NoKey, NoPersonality, NoNamedRows, Empty, Client };

        static GenError modelDidNotReturnJSON(QString reply);
        static GenError partial(int done, int total, QStringList missing);
        static GenError noKey() { return GenError(Kind::NoKey); }
        static GenError noPersonality() { return GenError(Kind::NoPersonality); }
        static GenError noNamedRows() { return GenError(Kind::NoNamedRows); }
        static GenError empty() { return GenError(Kind::Empty); }
        static GenError client(ClientError error);

        Kind kind() const { return m_kind; }
        // The model's raw reply for ModelDidNotReturnJSON.
        QString reply() const { return m_reply; }
        int done() const { return m_done; }
        int total() const { return m_total; }
        QStringList missing() const { return m_missing; }
        // The request's error for Client.
        std::optional<ClientError> clientError() const { return m_client; }

        QString description() const;

        friend bool operator==(const GenError &, const GenError &) = default;

    private:
        explicit GenError(Kind kind)
            : m_kind(kind)
        {
        }

        Kind m_kind;
        QString m_reply;
        int m_done = 0;
        int m_total = 0;
        QStringList m_missing;
        std::optional<ClientError> m_client;
    };

    // Row name (as the model wrote it) -> lines.
    using RowLines = QMap<QString, QStringList>;
    using Done = std::monostate;

    static constexpr int batchSize = 3;
    static constexpr int maxPasses = 3;
    static constexpr int rowLinesPerRequest = 8;
    static constexpr int maxLineLength = 120; // user-perceived characters
    // A reply may hold any number of lines; a row keeps at most this many of them.
    static constexpr int maxLinesPerRow = 64;
    static constexpr int replyExcerptLength = 200;
    static constexpr double temperature = 0.75;
    static constexpr int maxTokens = 4096;

    ChatterGenerator(GroqClient &client, const SettingsStore &settings, QObject *parent = nullptr);

    // Lines for every named non-empty row of the pet, asked for three rows at a time in up to three
    // passes (a pass only retries the rows the previous one missed, and stops when it made no
    // progress). Rows are stored only after the last pass; rows still missing then give Partial.
    // A failed request only marks its rows missing; its error is returned when no row got lines.
    QCoro::Task<Result<Done, GenError>> generateAll(QString petID, PetAnimationMapStore &mapStore,
        CharacterStore &characterStore, std::shared_ptr<SpriteSheetDecoder> decoder, int linesPerRow, WriteMode mode);
    // Eight lines for one named row.
    QCoro::Task<Result<Done, GenError>> generateRow(
        QString petID, qint64 row, PetAnimationMapStore &mapStore, CharacterStore &characterStore, WriteMode mode);
    // One request for the named rows. A reply refused by the service's JSON mode is asked for once
    // more without it.
    QCoro::Task<Result<RowLines, GenError>> callGroq(PetCharacter character, QStringList namedRows, int linesPerRow);

    static QString userPrompt(const QStringList &namedRows, int linesPerRow);
    static QString rawJSONReminder();

    // The object in a reply (text before the first "{" and after the last "}" is ignored; a reply
    // cut off after a complete list is repaired), decoded strictly and tidied.
    static Result<RowLines, GenError> parsePerRowJSON(const QString &reply);
    // The text up to its last "]", closed with "}"; absent when there is no "]".
    static std::optional<QString> salvageTruncated(const QString &text);
    // Lines trimmed, blank ones dropped, cut to maxLineLength user-perceived characters, a lower-case
    // first letter capitalised; rows left without lines are dropped.
    static RowLines tidy(const RowLines &rows);
    // Lower case, runs of anything but a-z and 0-9 as one space, trimmed: "Drink-Water!" -> "drink water".
    static QString normalizedKey(const QString &name);
    // The row of that exact name, else one whose normalized key matches.
    static std::optional<QStringList> lines(const QString &name, const RowLines &rows);
    // The first count user-perceived characters (grapheme clusters) of text.
    static QString firstCharacters(const QString &text, int count);
    // The text with its first character in upper case when that is a lower-case letter (whole code
    // points, so letters outside the basic plane count too).
    static QString capitalized(const QString &text);

private:
    QString model() const;
    static QStringList merged(const QStringList &existing, const QStringList &generated, WriteMode mode);

    QPointer<GroqClient> m_client;
    const SettingsStore &m_settings;
};
