#include "preferences/ReminderForm.h"

#include "preferences/ReminderAnimationSelector.h"
#include "widgets/Card.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/TextField.h"
#include "widgets/Theme.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

ReminderForm::ReminderForm(PreferencesHost &host, Card &card, QObject *parent)
    : QObject(parent)
{
    m_title = new TextField;
    m_title->setObjectName(QStringLiteral("reminderTitleField"));
    m_title->setPlaceholderText(QStringLiteral("e.g. Drink water"));
    m_title->setAccessibleName(QStringLiteral("Title"));
    m_title->setMinimumWidth(220);
    connect(m_title, &QLineEdit::textChanged, this, &ReminderForm::titleChanged);
    connect(m_title, &QLineEdit::returnPressed, this, &ReminderForm::submitted);
    card.addRow(QStringLiteral("Title"), QString(), m_title);

    m_date = new QDateTimeEdit;
    m_date->setObjectName(QStringLiteral("reminderDateEdit"));
    m_date->setAccessibleName(QStringLiteral("Date and time"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
        + QLocale().timeFormat(QLocale::ShortFormat).remove(QStringLiteral(":ss")));
    m_date->setFont(Theme::font(Theme::TypeSize::body));
    m_date->setMinimumHeight(32);
    card.addRow(QStringLiteral("Date and time"), QString(), m_date);

    QStringList repeatLabels;
    for (const Reminder::Repeat repeat : Reminder::allRepeats())
        repeatLabels.append(Reminder::label(repeat));
    m_repeats = new ChoiceMenu(repeatLabels);
    m_repeats->setObjectName(QStringLiteral("reminderRepeatMenu"));
    m_repeats->setAccessibleName(QStringLiteral("Repeats"));
    connect(m_repeats, &QComboBox::currentIndexChanged, this, &ReminderForm::showCustomRow);
    card.addRow(QStringLiteral("Repeats"), QStringLiteral("How often this should fire."), m_repeats);

    auto *interval = new QWidget;
    auto *intervalRow = new QHBoxLayout(interval);
    intervalRow->setContentsMargins(0, 0, 0, 0);
    intervalRow->setSpacing(Theme::Space::s);
    m_customValue = new QSpinBox;
    m_customValue->setObjectName(QStringLiteral("reminderCustomValue"));
    m_customValue->setAccessibleName(QStringLiteral("Every"));
    m_customValue->setRange(1, maxCustomValue);
    // A typed 0 becomes 1 rather than snapping back to the previous value.
    m_customValue->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_customValue->setFont(Theme::font(Theme::TypeSize::body));
    m_customValue->setMinimumHeight(32);
    QStringList units;
    for (const Reminder::CustomUnit unit : Reminder::allCustomUnits())
        units.append(Reminder::storedValue(unit));
    m_customUnit = new ChoiceMenu(units);
    m_customUnit->setObjectName(QStringLiteral("reminderCustomUnit"));
    m_customUnit->setAccessibleName(QStringLiteral("Unit"));
    intervalRow->addWidget(m_customValue);
    intervalRow->addWidget(m_customUnit);
    m_customRow = card.addRow(QStringLiteral("Every"), QString(), interval);

    auto *animation = new QWidget;
    auto *animationColumn = new QVBoxLayout(animation);
    animationColumn->setContentsMargins(0, Theme::Space::m, 0, Theme::Space::xs);
    animationColumn->setSpacing(Theme::Space::s);
    auto *heading = new QLabel(QStringLiteral("Animation"));
    heading->setFont(Theme::font(Theme::TypeSize::body, QFont::Medium));
    animationColumn->addWidget(heading);
    m_animation = new ReminderAnimationSelector(host);
    m_animation->setObjectName(QStringLiteral("reminderAnimationSelector"));
    animationColumn->addWidget(m_animation);
    card.addWidget(animation);

    setValues({});
}

ReminderForm::Values ReminderForm::values() const
{
    // Take what is typed in the stepper even before it loses focus.
    m_customValue->interpretText();
    Values values;
    values.title = m_title->text();
    values.date = m_date->dateTime();
    values.repeats = Reminder::allRepeats().value(m_repeats->currentIndex(), Reminder::Repeat::None);
    values.customValue = std::max(1, m_customValue->value());
    values.customUnit = Reminder::allCustomUnits().value(m_customUnit->currentIndex(), Reminder::CustomUnit::Minutes);
    values.animationRow = m_animation->row();
    return values;
}

void ReminderForm::setValues(const Values &values)
{
    m_title->setText(values.title);
    m_date->setDateTime(values.date.toLocalTime());
    m_repeats->setCurrentIndex(static_cast<int>(Reminder::allRepeats().indexOf(values.repeats)));
    m_customValue->setValue(static_cast<int>(std::clamp<qint64>(values.customValue, 1, maxCustomValue)));
    m_customUnit->setCurrentIndex(static_cast<int>(Reminder::allCustomUnits().indexOf(values.customUnit)));
    m_animation->setRow(values.animationRow);
    showCustomRow();
}

void ReminderForm::showCustomRow()
{
    m_customRow->setVisible(m_repeats->currentIndex() == Reminder::allRepeats().indexOf(Reminder::Repeat::Custom));
}
