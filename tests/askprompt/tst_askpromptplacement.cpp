#include "askprompt/AskPromptPlacement.h"
#include "support/TestMain.h"

#include <QTest>

class TestAskPromptPlacement : public QObject {
    Q_OBJECT

public:
    explicit TestAskPromptPlacement(TestEnvironment *) { }

private slots:
    void placesBesideThePet_data()
    {
        QTest::addColumn<QRect>("pet");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("height");
        QTest::addColumn<QPoint>("origin");
        const QRect screen(0, 0, 1280, 800);
        // A 128-point pet; the panel is centred on it, 16 above its top.
        QTest::newRow("middle: above") << QRect(576, 400, 128, 128) << screen << 64 << QPoint(430, 320);
        QTest::newRow("top left: below, left margin") << QRect(0, 0, 128, 128) << screen << 64 << QPoint(8, 144);
        QTest::newRow("top right: below, right margin")
            << QRect(1152, 10, 128, 128) << screen << 100 << QPoint(852, 154);
        QTest::newRow("bottom left: above") << QRect(0, 672, 128, 128) << screen << 100 << QPoint(8, 556);
        QTest::newRow("bottom right: above") << QRect(1152, 672, 128, 128) << screen << 64 << QPoint(852, 592);
        QTest::newRow("just fits above") << QRect(576, 88, 128, 128) << screen << 64 << QPoint(430, 8);
        QTest::newRow("one point short: below") << QRect(576, 87, 128, 128) << screen << 64 << QPoint(430, 231);
        QTest::newRow("second screen with an offset panel")
            << QRect(1900, 300, 128, 128) << QRect(1280, 24, 1280, 776) << 64 << QPoint(1754, 220);
        // Too narrow and too short for the panel: the left and the bottom margins win.
        QTest::newRow("narrow screen") << QRect(100, 10, 128, 128) << QRect(0, 0, 300, 90) << 100 << QPoint(8, -18);
    }
    void placesBesideThePet()
    {
        QFETCH(QRect, pet);
        QFETCH(QRect, screen);
        QFETCH(int, height);
        QFETCH(QPoint, origin);
        QCOMPARE(AskPromptPlacement::origin(pet, screen, height), origin);
    }
};

TAMSEL_TEST_MAIN(TestAskPromptPlacement)
#include "tst_askpromptplacement.moc"
