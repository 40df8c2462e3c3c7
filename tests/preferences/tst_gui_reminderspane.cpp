#include "app/AppWindows.h"
#include "preferences/EditReminderSheet.h"
#include "preferences/PreferencesWindow.h"
#include "preferences/RemindersPane.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/ToggleSwitch.h"

#include "support/AppHarness.h"
#include "support/TestMain.h"

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

// The Reminders pane in the real preferences window of a running coordinator, on its fake clock.
class TestGuiRemindersPane : public QObject {
    Q_OBJECT

public:
    explicit TestGuiRemindersPane(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    static RemindersPane *showPane(AppHarness &app)
    {
        app.coordinator->windows().showPreferences(PreferencesSection::Reminders);
        return app.coordinator->windows().preferencesWindow()->findChild<RemindersPane *>();
    }
    template<typename T> static T *find(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
    }
    static void type(QWidget *field, const QString &text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }

private slots:
    void init() { m_env->reset(); }

    void addingTakesTheCardAndStartsItAfresh()
    {
        AppHarness app(m_env);
        app.launch();
        RemindersPane *pane = showPane(app);
        auto *title = find<QLineEdit>(pane, "reminderTitleField");
        auto *repeats = find<ChoiceMenu>(pane, "reminderRepeatMenu");
        auto *value = find<QSpinBox>(pane, "reminderCustomValue");
        auto *add = find<QAbstractButton>(pane, "addReminderButton");
        repeats->setCurrentIndex(static_cast<int>(Reminder::allRepeats().indexOf(Reminder::Repeat::Custom)));
        QVERIFY(value->isVisible());
        type(value->findChild<QLineEdit *>(), "0");
        type(title, "   ");
        add->click();
        QVERIFY(app.coordinator->reminderStore().reminders().isEmpty());
        QCOMPARE(title->text(), "   ");
        QCOMPARE(repeats->currentText(), "Custom…");

        const QDateTime chosen = app.clock.now().addDays(1);
        find<QDateTimeEdit>(pane, "reminderDateEdit")->setDateTime(chosen);
        QTest::mouseClick(find<QWidget>(pane, "animationTile1"), Qt::LeftButton);
        type(title, "  Stretch ");
        app.clock.advanceSeconds(90);
        add->click();
        QCOMPARE(app.coordinator->reminderStore().reminders().size(), 1);
        const Reminder added = app.coordinator->reminderStore().reminders().first();
        QCOMPARE(added.title, "Stretch");
        QCOMPARE(added.repeats, Reminder::Repeat::Custom);
        QCOMPARE(added.customValue, 1);
        QCOMPARE(added.fireDate, chosen);
        QCOMPARE(added.animationRow, 1);
        QVERIFY(added.enabled && !added.lastFiredAt);
        // The card starts over from the moment of adding.
        QCOMPARE(title->text(), "");
        QCOMPARE(repeats->currentText(), "Once");
        QVERIFY(!value->isVisible());
        QCOMPARE(find<QDateTimeEdit>(pane, "reminderDateEdit")->dateTime(), app.clock.now().addSecs(300));
        QCOMPARE(find<QLabel>(pane, "reminderTitle")->text(), "Stretch");
        QCOMPARE(find<QLabel>(pane, "reminderSchedule")->text(), "Every 1 minutes");
    }

    void anEditedFiredOneTimeReminderStaysOffUntilSwitchedOn()
    {
        AppHarness app(m_env);
        app.launch();
        ReminderStore &store = app.coordinator->reminderStore();
        ReminderScheduler &scheduler = *app.coordinator->reminderScheduler();
        store.add(Reminder::create("Tea", app.clock.now().addSecs(60), Reminder::Repeat::None));
        app.clock.advanceSeconds(60);
        scheduler.check();
        QVERIFY(!store.reminders().first().enabled);
        QCOMPARE(store.reminders().first().lastFiredAt, app.clock.now());

        RemindersPane *pane = showPane(app);
        find<QAction>(pane, "editReminderAction")->trigger();
        EditReminderSheet *sheet = pane->editSheet();
        QVERIFY(sheet && sheet->isVisible());
        auto *save = find<QAbstractButton>(sheet, "editReminderSave");
        type(find<QLineEdit>(sheet, "reminderTitleField"), "   ");
        QVERIFY(!save->isEnabled());
        type(find<QLineEdit>(sheet, "reminderTitleField"), "Green tea");
        const QDateTime later = app.clock.now().addSecs(600);
        find<QDateTimeEdit>(sheet, "reminderDateEdit")->setDateTime(later);
        save->click();
        QTRY_VERIFY(!pane->editSheet());
        Reminder edited = store.reminders().first();
        QCOMPARE(edited.title, "Green tea");
        QVERIFY(!edited.enabled && !edited.lastFiredAt);

        app.clock.setNow(later);
        scheduler.check();
        QVERIFY(!store.reminders().first().lastFiredAt);
        QTRY_VERIFY(
            find<ToggleSwitch>(pane, "reminderSwitch") && !find<ToggleSwitch>(pane, "reminderSwitch")->isChecked());
        find<ToggleSwitch>(pane, "reminderSwitch")->click();
        scheduler.check();
        QCOMPARE(store.reminders().first().lastFiredAt, later);
        QVERIFY(!store.reminders().first().enabled);
    }

    void tilesAndHintNameRowsOneBased_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tile");
        QTest::addColumn<QString>("hint");
        QTest::newRow("unnamed") << ""
                                 << "Anim 3"
                                 << "Plays Animation 3 when the reminder fires.";
        QTest::newRow("named") << " Wave\t"
                               << "Wave"
                               << "Plays Wave when the reminder fires.";
    }
    void tilesAndHintNameRowsOneBased()
    {
        QFETCH(QString, name);
        AppHarness app(m_env);
        app.launch();
        app.coordinator->animationMapStore().setMapping(*app.coordinator->activePetID(), 2, { name, {} });
        RemindersPane *pane = showPane(app);
        auto *hint = find<QLabel>(pane, "animationHint");
        QCOMPARE(hint->text(), "Tap a tile to play it when the reminder fires.");
        auto *tile = find<QAbstractButton>(pane, "animationTile2");
        QTEST(tile->text(), "tile");
        QTest::mouseClick(tile, Qt::LeftButton);
        QTEST(hint->text(), "hint");
    }

    void deletingAsksFirst()
    {
        AppHarness app(m_env);
        app.launch();
        ReminderStore &store = app.coordinator->reminderStore();
        store.add(Reminder::create("Water", app.clock.now().addSecs(60), Reminder::Repeat::Daily));
        RemindersPane *pane = showPane(app);
        app.alerts.buttonAnswers << 1 << 0;
        find<QAction>(pane, "deleteReminderAction")->trigger();
        QCOMPARE(store.reminders().size(), 1);
        QCOMPARE(app.alerts.alerts.first().informativeText, "\"Water\" will be removed permanently.");
        find<QAction>(pane, "deleteReminderAction")->trigger();
        QVERIFY(store.reminders().isEmpty());
        QTRY_VERIFY(find<QWidget>(pane, "noRemindersState"));
    }
};

TAMSEL_TEST_MAIN(TestGuiRemindersPane)
#include "tst_gui_reminderspane.moc"
