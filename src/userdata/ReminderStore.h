#pragma once

#include "foundation/Result.h"
#include "userdata/Reminder.h"
#include "userdata/StoredDocument.h"

#include <QList>
#include <QObject>
#include <QUuid>

class SettingsStore;

// All reminders, kept in the settings under "tam.reminders" as one compact JSON array of reminder
// objects in list order. Loads once when created and rewrites the whole array on every change. What
// cannot be decoded is logged and kept aside before anything overwrites it (StoredDocument). Main
// thread only.
class ReminderStore : public QObject {
    Q_OBJECT

public:
    explicit ReminderStore(SettingsStore &settings, QObject *parent = nullptr);

    // In stored order as loaded; after add or update sorted by fire date, earliest first, with
    // reminders of equal date keeping their relative order.
    const QList<Reminder> &reminders() const { return m_reminders; }

    void add(const Reminder &reminder);
    // Replaces the first reminder with the same id wholesale; an unknown id changes nothing.
    void update(const Reminder &reminder);
    // Removes every reminder with the id.
    void remove(const QUuid &id);
    // Records a firing of the first reminder with the id; a one-time reminder is also switched off.
    // The order is kept. An unknown id changes nothing.
    void markFired(const QUuid &id, const QDateTime &at);

    // The stored form, read record by record: a malformed reminder, or one with the id of an earlier
    // one, is skipped with a sentence saying why; only a value that is not a JSON array fails as a
    // whole.
    static Result<StoredJson::Decoded<QList<Reminder>>, QString> decode(const QByteArray &data);
    static Result<QByteArray, QString> encode(const QList<Reminder> &reminders);

signals:
    void remindersChanged();

private:
    void load();
    void sortByFireDate();
    void persist();

    StoredDocument m_document;
    QList<Reminder> m_reminders;
};
