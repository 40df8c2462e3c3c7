#pragma once

#include "foundation/Result.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

class Clock;

// The user's notes, shared by every pet, in one JSON file: an array of
// {"id", "title", "content", "createdAt"} objects, oldest first. Loads once when created; every save
// rewrites the whole file atomically. A file that cannot be read or decoded leaves the store
// empty; before the next save replaces it, it is renamed aside ("notes.json.unreadable") so that
// nothing the user wrote is destroyed. Main thread only.
class NoteStore : public QObject {
    Q_OBJECT

public:
    struct Note {
        QUuid id;
        QString title;
        QString content;
        QDateTime createdAt;

        bool operator==(const Note &other) const = default;
    };

    // Files larger than this are not read.
    static constexpr qint64 maxFileSize = 16 * 1024 * 1024;

    // Creates the file's folder when missing (a failure shows up at the first save) and loads.
    NoteStore(const QString &filePath, Clock &clock, QObject *parent = nullptr);

    // ~/.local/share/Tamsel Desk/notes.json, honouring XDG_DATA_HOME.
    static QString defaultFilePath();
    QString filePath() const { return m_filePath; }

    // Oldest first.
    const QList<Note> &notes() const { return m_notes; }

    // Trims both texts of horizontal space (tabs, spaces of any width; line breaks stay), names an
    // untitled note "Untitled", appends the note and writes the file. A failed write is logged; the
    // note is kept in memory and returned all the same.
    Note save(const QString &title, const QString &content);
    // Notes whose title or content contains the query (trimmed; letter case ignored), newest first,
    // notes saved at the same moment in the order they were saved; at most limit of them. An
    // absent or blank query matches every note.
    QList<Note> recall(const std::optional<QString> &query, qsizetype limit) const;

    static Result<QList<Note>, QString> decode(const QByteArray &data);
    static QByteArray encode(const QList<Note> &notes);

signals:
    void notesChanged();

private:
    void load();
    void persist();
    // Moves an unreadable notes file out of the way of the first write.
    void keepUnreadableFile();

    QString m_filePath;
    Clock &m_clock;
    QList<Note> m_notes;
    bool m_fileUnreadable = false;
};
