#include "preferences/EditReminderSheet.h"

#include "foundation/TextTrim.h"
#include "preferences/ReminderForm.h"
#include "widgets/Card.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

EditReminderSheet::EditReminderSheet(PreferencesHost &host, const Reminder &reminder, QWidget *parent)
    : QDialog(parent)
    , m_reminder(reminder)
{
    setObjectName(QStringLiteral("editReminderSheet"));
    setWindowTitle(QStringLiteral("Edit reminder"));
    setWindowModality(Qt::WindowModal);
    Theme::applyLightPalette(this);
    setMinimumWidth(480);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, Theme::Space::l, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);
    auto *header = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("Edit reminder"));
    title->setFont(Theme::font(Theme::TypeSize::cardTitle, QFont::DemiBold));
    header->addWidget(title, 1);
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("editReminderClose"));
    close->setIcon(SymbolIcon::icon(SymbolIcon::Symbol::close, Theme::Ink::secondary));
    close->setToolTip(QStringLiteral("Cancel (Esc)"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    header->addWidget(close);
    column->addLayout(header);

    auto *card = new Card;
    m_form = new ReminderForm(host, *card, this);
    m_form->setValues({ reminder.title, reminder.fireDate, reminder.repeats, reminder.customValue, reminder.customUnit,
        reminder.animationRow });
    column->addWidget(card);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new SecondaryButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("editReminderCancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    m_save = new PrimaryButton(QStringLiteral("Save"));
    m_save->setObjectName(QStringLiteral("editReminderSave"));
    m_save->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (TextTrim::isBlank(m_form->values().title))
            return;
        emit saved(edited());
        accept();
    });
    buttons->addWidget(m_save);
    column->addLayout(buttons);

    const auto updateSave = [this](const QString &text) { m_save->setEnabled(!TextTrim::isBlank(text)); };
    connect(m_form, &ReminderForm::titleChanged, this, updateSave);
    updateSave(reminder.title);
}

Reminder EditReminderSheet::edited() const
{
    const ReminderForm::Values values = m_form->values();
    Reminder reminder = m_reminder;
    reminder.title = TextTrim::spacesAndTabs(values.title);
    reminder.fireDate = values.date;
    reminder.repeats = values.repeats;
    reminder.customValue = values.customValue;
    reminder.customUnit = values.customUnit;
    reminder.animationRow = values.animationRow;
    reminder.lastFiredAt.reset();
    return reminder;
}
