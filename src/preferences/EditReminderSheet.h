#pragma once

#include "userdata/Reminder.h"

#include <QDialog>

class PreferencesHost;
class QPushButton;
class ReminderForm;

// The sheet that edits one reminder: the add card's fields, filled from the reminder as stored,
// with Cancel and Save. Save is offered only while the title has more than spaces.
class EditReminderSheet : public QDialog {
    Q_OBJECT

public:
    EditReminderSheet(PreferencesHost &host, const Reminder &reminder, QWidget *parent = nullptr);

    // The stored reminder with the edited fields. lastFiredAt is cleared, so an edited one-time
    // reminder fires again at its new time once it is on.
    Reminder edited() const;

signals:
    void saved(const Reminder &reminder);

private:
    Reminder m_reminder;
    ReminderForm *m_form = nullptr;
    QPushButton *m_save = nullptr;
};
