#include "userdata/ReminderStore.h"

#include "foundation/StoredJson.h"
#include "settings/SettingsKeys.h"
#include "userdata/StoredRecord.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

namespace {

const QString kId = QStringLiteral("id");
const QString kTitle = QStringLiteral("title");
const QString kFireDate = QStringLiteral("fireDate");
const QString kRepeats = QStringLiteral("repeats");
const QString kEnabled = QStringLiteral("enabled");
const QString kLastFiredAt = QStringLiteral("lastFiredAt");
const QString kCustomValue = QStringLiteral("customValue");
const QString kCustomUnit = QStringLiteral("customUnit");
const QString kAnimationRow = QStringLiteral("animationRow");

// Records are numbered from 1 in messages, as a person counts them.
QString requiredError(qsizetype number, const QString &member, const QString &expected)
{
    return QStringLiteral("The \"%1\" of reminder %2 is missing or is not %3.").arg(member).arg(number).arg(expected);
}

QString optionalError(qsizetype number, const QString &member, const QString &expected)
{
    return QStringLiteral("The \"%1\" of reminder %2 is not %3.").arg(member).arg(number).arg(expected);
}

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

Result<Reminder, QString> decodeReminder(qsizetype number, const QJsonValue &value)
{
    if (!value.isObject())
        return QStringLiteral("Reminder %1 is not a JSON object.").arg(number);
    const QJsonObject object = value.toObject();
    Reminder reminder;

    const QJsonValue id = object.value(kId);
    const auto uuid = id.isString() ? StoredRecord::uuidFromText(id.toString()) : std::nullopt;
    if (!uuid)
        return requiredError(number, kId, QStringLiteral("a UUID"));
    reminder.id = *uuid;

    const QJsonValue title = object.value(kTitle);
    if (!title.isString())
        return requiredError(number, kTitle, QStringLiteral("a string"));
    reminder.title = title.toString();

    const auto fireDate = StoredRecord::dateFromReferenceSeconds(object.value(kFireDate));
    if (!fireDate)
        return requiredError(number, kFireDate, QStringLiteral("a date"));
    reminder.fireDate = *fireDate;

    const QJsonValue repeats = object.value(kRepeats);
    if (!repeats.isString())
        return requiredError(number, kRepeats, QStringLiteral("a string"));
    const auto repeat = Reminder::repeatFromStoredValue(repeats.toString());
    if (!repeat) {
        return QStringLiteral("The \"repeats\" of reminder %1 is %2, which is not a known schedule.")
            .arg(number)
            .arg(StoredJson::quoted(repeats.toString()));
    }
    reminder.repeats = *repeat;

    const QJsonValue enabled = object.value(kEnabled);
    if (!enabled.isBool())
        return requiredError(number, kEnabled, QStringLiteral("true or false"));
    reminder.enabled = enabled.toBool();

    const QJsonValue lastFiredAt = object.value(kLastFiredAt);
    if (!isAbsent(lastFiredAt)) {
        reminder.lastFiredAt = StoredRecord::dateFromReferenceSeconds(lastFiredAt);
        if (!reminder.lastFiredAt)
            return optionalError(number, kLastFiredAt, QStringLiteral("a date"));
    }

    const QJsonValue customValue = object.value(kCustomValue);
    if (!isAbsent(customValue)) {
        const auto count = StoredJson::exactInteger(customValue);
        if (!count)
            return optionalError(number, kCustomValue, QStringLiteral("a whole number"));
        reminder.customValue = *count;
    }

    const QJsonValue customUnit = object.value(kCustomUnit);
    if (!isAbsent(customUnit)) {
        const auto unit
            = customUnit.isString() ? Reminder::customUnitFromStoredValue(customUnit.toString()) : std::nullopt;
        if (!unit)
            return optionalError(number, kCustomUnit, QStringLiteral("one of seconds, minutes, hours, days or weeks"));
        reminder.customUnit = *unit;
    }

    const QJsonValue row = object.value(kAnimationRow);
    if (!isAbsent(row)) {
        reminder.animationRow = StoredJson::exactInteger(row);
        if (!reminder.animationRow)
            return optionalError(number, kAnimationRow, QStringLiteral("a whole number"));
    }
    return reminder;
}

Result<QJsonObject, QString> encodeReminder(const Reminder &reminder)
{
    if (!reminder.fireDate.isValid() || (reminder.lastFiredAt && !reminder.lastFiredAt->isValid()))
        return QStringLiteral("The reminder %1 has no valid date.").arg(StoredJson::quoted(reminder.title));
    QJsonObject object {
        { kId, StoredRecord::uuidText(reminder.id) },
        { kTitle, reminder.title },
        { kFireDate, StoredRecord::referenceSeconds(reminder.fireDate) },
        { kRepeats, Reminder::storedValue(reminder.repeats) },
        { kEnabled, reminder.enabled },
        { kCustomValue, reminder.customValue },
        { kCustomUnit, Reminder::storedValue(reminder.customUnit) },
    };
    if (reminder.lastFiredAt)
        object.insert(kLastFiredAt, StoredRecord::referenceSeconds(*reminder.lastFiredAt));
    if (reminder.animationRow)
        object.insert(kAnimationRow, *reminder.animationRow);
    return object;
}

}

ReminderStore::ReminderStore(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_document(settings, SettingsKeys::reminders, QStringLiteral("ReminderStore"))
{
    load();
}

void ReminderStore::add(const Reminder &reminder)
{
    m_reminders.append(reminder);
    sortByFireDate();
    persist();
    emit remindersChanged();
}

void ReminderStore::update(const Reminder &reminder)
{
    const auto it = std::find_if(
        m_reminders.begin(), m_reminders.end(), [&](const Reminder &stored) { return stored.id == reminder.id; });
    if (it == m_reminders.end())
        return;
    *it = reminder;
    sortByFireDate();
    persist();
    emit remindersChanged();
}

void ReminderStore::remove(const QUuid &id)
{
    m_reminders.removeIf([&](const Reminder &stored) { return stored.id == id; });
    persist();
    emit remindersChanged();
}

void ReminderStore::markFired(const QUuid &id, const QDateTime &at)
{
    const auto it
        = std::find_if(m_reminders.begin(), m_reminders.end(), [&](const Reminder &stored) { return stored.id == id; });
    if (it == m_reminders.end())
        return;
    it->lastFiredAt = at;
    if (it->repeats == Reminder::Repeat::None)
        it->enabled = false;
    persist();
    emit remindersChanged();
}

Result<StoredJson::Decoded<QList<Reminder>>, QString> ReminderStore::decode(const QByteArray &data)
{
    const auto parsed = StoredJson::parseArray(data);
    if (!parsed)
        return parsed.error();
    const QJsonArray &array = parsed.value();
    StoredJson::Decoded<QList<Reminder>> decoded;
    decoded.records.reserve(array.size());
    QSet<QUuid> ids;
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto reminder = decodeReminder(i + 1, array.at(i));
        if (!reminder) {
            decoded.skipped.append(reminder.error());
        } else if (ids.contains(reminder.value().id)) {
            // Firings and edits find a reminder by its id; a second one could never be marked fired.
            decoded.skipped.append(QStringLiteral("Reminder %1 has the id of an earlier one.").arg(i + 1));
        } else {
            ids.insert(reminder.value().id);
            decoded.records.append(std::move(reminder).value());
        }
    }
    return decoded;
}

Result<QByteArray, QString> ReminderStore::encode(const QList<Reminder> &reminders)
{
    QJsonArray array;
    for (const Reminder &reminder : reminders) {
        auto object = encodeReminder(reminder);
        if (!object)
            return object.error();
        array.append(object.value());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void ReminderStore::load()
{
    m_reminders = m_document.load(decode);
}

void ReminderStore::sortByFireDate()
{
    std::stable_sort(m_reminders.begin(), m_reminders.end(),
        [](const Reminder &a, const Reminder &b) { return a.fireDate < b.fireDate; });
}

void ReminderStore::persist()
{
    const auto encoded = encode(m_reminders);
    if (!encoded) {
        m_document.reportEncodeFailure(encoded.error());
        return;
    }
    m_document.write(encoded.value());
}
