#include "support/TestMain.h"
#include "widgets/Card.h"
#include "widgets/SegmentedControl.h"
#include "widgets/ToggleSwitch.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>

class TestStyledWidgets : public QObject {
    Q_OBJECT

private slots:
    void switchTogglesFromKeyboardAndMouse()
    {
        ToggleSwitch toggle;
        toggle.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toggle));
        QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
        toggle.setFocus();
        QTest::keyClick(&toggle, Qt::Key_Space);
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, toggle.rect().center());
        QCOMPARE(toggled.size(), 2);
        QCOMPARE(toggled.at(0).at(0).toBool(), true);
        QCOMPARE(toggle.isChecked(), false);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&toggle);
        QVERIFY(accessible && accessible->state().checkable);
    }

    void segmentedMovesWithArrowsAndClicks()
    {
        SegmentedControl control({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        QSignalSpy changed(&control, &SegmentedControl::currentIndexChanged);
        control.setFocus();
        // Nothing selected: Right starts at the first segment; the ends hold.
        QTest::keyClick(&control, Qt::Key_Right);
        QCOMPARE(control.currentIndex(), 0);
        QTest::keyClick(&control, Qt::Key_Left);
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
        QTest::keyClick(&control, Qt::Key_Right);
        QCOMPARE(control.currentText(), QStringLiteral("C"));
        QCOMPARE(changed.size(), 2);
        QTest::keyClick(&control, Qt::Key_Left);
        QCOMPARE(changed.last().at(0).toInt(), 1);
    }

    void cardHairlinesFollowTheirRows()
    {
        Card card;
        card.addRow(QStringLiteral("A"), {}, nullptr);
        QWidget *middle = card.addRow(QStringLiteral("B"), {}, nullptr);
        middle->hide();
        auto *last = new QLabel(QStringLiteral("C"));
        card.addWidget(last);
        const auto hairlines = [&card] {
            int shown = 0;
            for (const QFrame *frame : card.findChildren<QFrame *>(Qt::FindDirectChildrenOnly))
                shown += frame->maximumHeight() == 1 && frame->isVisibleTo(&card) ? 1 : 0;
            return shown;
        };
        QCOMPARE(hairlines(), 1);
        middle->show();
        QCOMPARE(hairlines(), 2);
        delete last;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(hairlines(), 1);
    }
};

TAMSEL_TEST_MAIN(TestStyledWidgets)
#include "tst_gui_widgets.moc"
