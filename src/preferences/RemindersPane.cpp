#include "preferences/RemindersPane.h"

#include "foundation/TextTrim.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "preferences/EditReminderSheet.h"
#include "preferences/PreferencesHost.h"
#include "preferences/ReminderForm.h"
#include "userdata/ReminderStore.h"
#include "widgets/Card.h"
#include "widgets/EmptyState.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink)
{
    auto *label = Theme::label(text, size, weight, ink, nullptr);
    return label;
}
}

RemindersPane::RemindersPane(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("remindersPane"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);
    QLabel *intro = inkLabel(QStringLiteral("Tamsel will say these out loud, in a chat bubble, at the scheduled time."),
        Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary);
    intro->setWordWrap(true);
    column->addWidget(intro);

    auto *add = new Card(QStringLiteral("New reminder"), SymbolIcon::icon(Symbol::bell, Theme::Accent::base));
    add->setObjectName(QStringLiteral("newReminderCard"));
    m_form = new ReminderForm(host, *add, this);
    auto *addButton = new PrimaryButton(QStringLiteral("Add reminder"));
    addButton->setObjectName(QStringLiteral("addReminderButton"));
    connect(addButton, &QPushButton::clicked, this, &RemindersPane::addReminder);
    connect(m_form, &ReminderForm::submitted, this, &RemindersPane::addReminder);
    auto *buttonRow = new QWidget;
    auto *buttonLine = new QHBoxLayout(buttonRow);
    buttonLine->setContentsMargins(0, Theme::Space::s, 0, 0);
    buttonLine->addStretch();
    buttonLine->addWidget(addButton);
    add->addWidget(buttonRow);
    column->addWidget(add);

    auto *scheduled = new QWidget;
    scheduled->setObjectName(QStringLiteral("reminderList"));
    m_list = new QVBoxLayout(scheduled);
    m_list->setContentsMargins(0, 0, 0, 0);
    m_list->setSpacing(Theme::Space::s);
    column->addWidget(scheduled);
    column->addStretch();

    resetForm();
    rebuildList();
    connect(&host.reminderStore(), &ReminderStore::remindersChanged, this, &RemindersPane::rebuildList);
}

void RemindersPane::resetForm()
{
    ReminderForm::Values values;
    values.date = m_host.clock().now().addSecs(newReminderLeadSeconds);
    m_form->setValues(values);
}

void RemindersPane::addReminder()
{
    const ReminderForm::Values values = m_form->values();
    const QString title = TextTrim::spacesAndTabs(values.title);
    if (title.isEmpty())
        return;
    Reminder reminder = Reminder::create(title, values.date, values.repeats);
    reminder.customValue = values.customValue;
    reminder.customUnit = values.customUnit;
    reminder.animationRow = values.animationRow;
    m_host.reminderStore().add(reminder);
    resetForm();
}

void RemindersPane::rebuildList()
{
    // The rows go later: this may run inside a row's own switch or menu.
    while (QLayoutItem *item = m_list->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const QList<Reminder> &reminders = m_host.reminderStore().reminders();
    if (reminders.isEmpty()) {
        auto *empty = new EmptyState(
            SymbolIcon::icon(Symbol::bell, Theme::Ink::tertiary), QStringLiteral("No reminders yet."), QString());
        empty->setObjectName(QStringLiteral("noRemindersState"));
        m_list->addWidget(empty);
        return;
    }
    auto *card = new Card(QStringLiteral("Scheduled"), SymbolIcon::icon(Symbol::bell, Theme::Accent::base));
    card->setCount(static_cast<int>(reminders.size()));
    for (const Reminder &reminder : reminders)
        card->addWidget(listRow(reminder));
    m_list->addWidget(card);
}

QWidget *RemindersPane::listRow(const Reminder &reminder)
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("reminderRow"));
    row->setProperty("reminderID", reminder.id.toString(QUuid::WithoutBraces));
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, Theme::Space::s, 0, Theme::Space::s);
    line->setSpacing(Theme::Space::m);

    auto *enabled = new ToggleSwitch;
    enabled->setObjectName(QStringLiteral("reminderSwitch"));
    enabled->setAccessibleName(reminder.title);
    enabled->setChecked(reminder.enabled);
    const QUuid id = reminder.id;
    connect(enabled, &ToggleSwitch::toggled, this, [this, id](bool on) {
        for (const Reminder &stored : m_host.reminderStore().reminders()) {
            if (stored.id == id) {
                Reminder copy = stored;
                copy.enabled = on;
                m_host.reminderStore().update(copy);
                return;
            }
        }
    });
    line->addWidget(enabled);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    QLabel *title = inkLabel(reminder.title, Theme::TypeSize::body, QFont::Medium,
        reminder.enabled ? Theme::Ink::primary : Theme::Ink::tertiary);
    title->setObjectName(QStringLiteral("reminderTitle"));
    title->setWordWrap(true);
    texts->addWidget(title);
    QLabel *schedule = inkLabel(reminder.scheduleDescription(QTimeZone::systemTimeZone()), Theme::TypeSize::caption,
        QFont::Normal, Theme::Ink::secondary);
    schedule->setObjectName(QStringLiteral("reminderSchedule"));
    texts->addWidget(schedule);
    line->addLayout(texts, 1);

    auto *actions = new QToolButton;
    actions->setObjectName(QStringLiteral("reminderActions"));
    actions->setIcon(SymbolIcon::icon(Symbol::ellipsis, Theme::Ink::secondary));
    actions->setToolTip(QStringLiteral("Reminder actions"));
    actions->setAccessibleName(QStringLiteral("Reminder actions"));
    actions->setAutoRaise(true);
    actions->setPopupMode(QToolButton::InstantPopup);
    actions->setStyleSheet(Theme::menuButtonStyleSheet());
    auto *menu = new QMenu(actions);
    Theme::applyLightPalette(menu);
    QAction *edit
        = menu->addAction(SymbolIcon::icon(Symbol::pencil, Theme::Ink::primary), QStringLiteral("Edit reminder…"));
    edit->setObjectName(QStringLiteral("editReminderAction"));
    connect(edit, &QAction::triggered, this, [this, reminder] { editReminder(reminder); });
    QAction *remove
        = menu->addAction(SymbolIcon::icon(Symbol::trash, Theme::Ink::primary), QStringLiteral("Delete reminder"));
    remove->setObjectName(QStringLiteral("deleteReminderAction"));
    connect(remove, &QAction::triggered, this, [this, reminder] { confirmDelete(reminder); });
    actions->setMenu(menu);
    line->addWidget(actions);
    return row;
}

void RemindersPane::editReminder(const Reminder &reminder)
{
    if (m_sheet)
        m_sheet->close();
    // The sheet starts from the reminder as stored now: it may have fired since the row was drawn.
    Reminder stored = reminder;
    for (const Reminder &each : m_host.reminderStore().reminders()) {
        if (each.id == reminder.id) {
            stored = each;
            break;
        }
    }
    m_sheet = new EditReminderSheet(m_host, stored, this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &EditReminderSheet::saved, this,
        [this](const Reminder &edited) { m_host.reminderStore().update(edited); });
    m_sheet->open();
}

void RemindersPane::confirmDelete(const Reminder &reminder)
{
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Warning;
    alert.title = QStringLiteral("Delete reminder?");
    alert.informativeText = QLatin1Char('"') + reminder.title + QStringLiteral("\" will be removed permanently.");
    alert.buttons = { QStringLiteral("Delete"), QStringLiteral("Cancel") };
    // Nothing is deleted unasked, not even where no one could be asked.
    AlertPresenter *alerts = m_host.alerts();
    if (alerts && alerts->present(alert) == 0)
        m_host.reminderStore().remove(reminder.id);
}
