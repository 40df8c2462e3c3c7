#pragma once

#include "userdata/Reminder.h"

#include <QWidget>

class Card;
class ChoiceMenu;
class PreferencesHost;
class QDateTimeEdit;
class QSpinBox;
class ReminderAnimationSelector;
class TextField;

// The fields of a reminder as the add card and the edit sheet show them: title, date and time,
// how it repeats (with the custom interval), and the row it plays. The rows go into a card the
// caller owns.
class ReminderForm : public QObject {
    Q_OBJECT

public:
    static constexpr int maxCustomValue = 10000;

    struct Values {
        QString title;
        QDateTime date;
        Reminder::Repeat repeats = Reminder::Repeat::None;
        qint64 customValue = 5;
        Reminder::CustomUnit customUnit = Reminder::CustomUnit::Minutes;
        std::optional<qint64> animationRow;
    };

    ReminderForm(PreferencesHost &host, Card &card, QObject *parent = nullptr);

    // The fields as entered; the custom value is at least 1 and the title untrimmed.
    Values values() const;
    void setValues(const Values &values);

signals:
    void titleChanged(const QString &title);
    // Return was pressed in the title field.
    void submitted();

private:
    void showCustomRow();

    TextField *m_title = nullptr;
    QDateTimeEdit *m_date = nullptr;
    ChoiceMenu *m_repeats = nullptr;
    QWidget *m_customRow = nullptr;
    QSpinBox *m_customValue = nullptr;
    ChoiceMenu *m_customUnit = nullptr;
    ReminderAnimationSelector *m_animation = nullptr;
};
