#include "userdata/NoteStore.h"

#include "foundation/Log.h"
#include "foundation/TextTrim.h"
#include "platform/Clock.h"
#include "userdata/StoredRecord.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString kId = QStringLiteral("id");
const QString kTitle = QStringLiteral("title");
const QString kContent = QStringLiteral("content");
const QString kCreatedAt = QStringLiteral("createdAt");

// Bounds the search for a free name beside the notes file.
constexpr int kMaxKeptFiles = 100;

QString memberError(qsizetype number, const QString &member, const QString &expected)
{
    return QStringLiteral("The \"%1\" of note %2 is missing or is not %3.").arg(member).arg(number).arg(expected);
}

Result<NoteStore::Note, QString> decodeNote(qsizetype number, const QJsonValue &value)
{
    if (!value.isObject())
        return QStringLiteral("Note %1 is not a JSON object.").arg(number);
    const QJsonObject object = value.toObject();

    const QJsonValue id = object.value(kId);
    const auto uuid = id.isString() ? StoredRecord::uuidFromText(id.toString()) : std::nullopt;
    if (!uuid)
        return memberError(number, kId, QStringLiteral("a UUID"));
    const QJsonValue title = object.value(kTitle);
    if (!title.isString())
        return memberError(number, kTitle, QStringLiteral("a string"));
    const QJsonValue content = object.value(kContent);
    if (!content.isString())
        return memberError(number, kContent, QStringLiteral("a string"));
    const auto createdAt = StoredRecord::dateFromReferenceSeconds(object.value(kCreatedAt));
    if (!createdAt)
        return memberError(number, kCreatedAt, QStringLiteral("a date"));
    return NoteStore::Note { *uuid, title.toString(), content.toString(), *createdAt };
}

}

NoteStore::NoteStore(const QString &filePath, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_clock(clock)
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    load();
}

QString NoteStore::defaultFilePath()
{
    QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/Tamsel Desk/notes.json");
}

NoteStore::Note NoteStore::save(const QString &title, const QString &content)
{
    const QString trimmedTitle = TextTrim::spacesAndTabs(title);
    Note note {
        QUuid::createUuid(),
        trimmedTitle.isEmpty() ? QStringLiteral("Untitled") : trimmedTitle,
        TextTrim::spacesAndTabs(content),
        m_clock.now(),
    };
    m_notes.append(note);
    persist();
    emit notesChanged();
    return note;
}

QList<NoteStore::Note> NoteStore::recall(const std::optional<QString> &query, qsizetype limit) const
{
    const QString needle = query ? TextTrim::spacesAndTabs(*query).toLower() : QString();
    QList<Note> kept;
    for (const Note &note : m_notes) {
        if (needle.isEmpty() || note.title.toLower().contains(needle) || note.content.toLower().contains(needle))
            kept.append(note);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Note &a, const Note &b) { return a.createdAt > b.createdAt; });
    kept.resize(std::clamp<qsizetype>(limit, 0, kept.size()));
    return kept;
}

Result<QList<NoteStore::Note>, QString> NoteStore::decode(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        return QStringLiteral("The notes file is not valid JSON (%1 at offset %2).")
            .arg(error.errorString())
            .arg(error.offset);
    }
    if (!document.isArray())
        return QStringLiteral("The notes file does not hold a JSON array.");
    const QJsonArray array = document.array();
    QList<Note> notes;
    notes.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto note = decodeNote(i + 1, array.at(i));
        if (!note)
            return note.error();
        notes.append(std::move(note).value());
    }
    return notes;
}

QByteArray NoteStore::encode(const QList<Note> &notes)
{
    QJsonArray array;
    for (const Note &note : notes) {
        array.append(QJsonObject {
            { kId, StoredRecord::uuidText(note.id) },
            { kTitle, note.title },
            { kContent, note.content },
            { kCreatedAt, StoredRecord::referenceSeconds(note.createdAt) },
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void NoteStore::load()
{
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return;
    // From here on, whatever is in the way is kept aside before the first save replaces it.
    m_fileUnreadable = true;
    if (!info.isFile()) {
        Log::line(QStringLiteral("NoteStore load failed: \"%1\" is not a regular file.").arg(m_filePath));
        return;
    }
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::line(
            QStringLiteral("NoteStore load failed: Could not open \"%1\" (%2).").arg(m_filePath, file.errorString()));
        return;
    }
    // Read one byte more than allowed, so that a file that grew since it was measured is caught too.
    const QByteArray data = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        Log::line(
            QStringLiteral("NoteStore load failed: Could not read \"%1\" (%2).").arg(m_filePath, file.errorString()));
        return;
    }
    if (data.size() > maxFileSize) {
        Log::line(QStringLiteral("NoteStore load failed: \"%1\" is larger than %2 MiB.")
                      .arg(m_filePath)
                      .arg(maxFileSize / (1024 * 1024)));
        return;
    }
    auto decoded = decode(data);
    if (!decoded) {
        Log::line(QStringLiteral("NoteStore decode failed: ") + decoded.error());
        return;
    }
    m_notes = std::move(decoded).value();
    m_fileUnreadable = false;
}

void NoteStore::persist()
{
    if (m_fileUnreadable)
        keepUnreadableFile();
    // The folder may have been removed while the program ran.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    const QByteArray data = encode(m_notes);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        Log::line(QStringLiteral("NoteStore persist failed: Could not write \"%1\" (%2).")
                      .arg(m_filePath, file.errorString()));
    }
}

void NoteStore::keepUnreadableFile()
{
    m_fileUnreadable = false;
    const QString base = m_filePath + QStringLiteral(".unreadable");
    QString target = base;
    for (int n = 2; n <= kMaxKeptFiles && (QFileInfo::exists(target) || QFileInfo(target).isSymLink()); ++n)
        target = base + QStringLiteral("-%1").arg(n);
    if (QFileInfo::exists(target) || !QFile::rename(m_filePath, target)) {
        // Writing goes ahead: a store that can never save again would lose every new note instead.
        Log::line(QStringLiteral("NoteStore backup failed: Could not move \"%1\" aside.").arg(m_filePath));
        return;
    }
    Log::line(QStringLiteral("NoteStore kept the unreadable notes file as \"%1\".").arg(target));
}
