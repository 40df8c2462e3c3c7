#pragma once

#include "preferences/EditReminderSheet.h"
#include "userdata/Reminder.h"

#include <QPointer>
#include <QWidget>

class PreferencesHost;
class QVBoxLayout;
class ReminderForm;

// The Reminders pane: a card that adds a reminder, and the list of scheduled ones with a switch
// each and a menu to edit or delete them. It works on the coordinator's reminder store and follows
// its changes, whoever makes them.
class RemindersPane : public QWidget {
    Q_OBJECT

public:
    static constexpr int newReminderLeadSeconds = 300;

    explicit RemindersPane(PreferencesHost &host, QWidget *parent = nullptr);

    // Adds the reminder the card describes and empties the card; a blank title changes nothing.
    void addReminder();
    void editReminder(const Reminder &reminder);
    // Asks first; only "Delete" removes it.
    void confirmDelete(const Reminder &reminder);
    EditReminderSheet *editSheet() const { return m_sheet; }

private:
    void resetForm();
    void rebuildList();
    QWidget *listRow(const Reminder &reminder);

    PreferencesHost &m_host;
    ReminderForm *m_form = nullptr;
    QVBoxLayout *m_list = nullptr;
    QPointer<EditReminderSheet> m_sheet;
};
