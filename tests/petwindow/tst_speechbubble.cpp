#include "support/TestMain.h"

#include "behavior/SpeakingTime.h"
#include "behavior/SpeechBubbleLayout.h"
#include "petwindow/SpeechBubbleController.h"
#include "petwindow/SpeechBubbleView.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QScreen>

using namespace std::chrono_literals;

namespace {
// The offscreen platform warns on every opacity step of a fade; those lines are noise here.
QtMessageHandler previousHandler = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith("This plugin does not support"))
        previousHandler(type, context, message);
}
}
using Layout = SpeechBubbleLayout;
using Tail = SpeechBubbleLayout::TailDirection;

class TestSpeechBubble : public QObject {
    Q_OBJECT

public:
    explicit TestSpeechBubble(TestEnvironment *) { }

private:
    std::unique_ptr<QWidget> m_pet;
    std::unique_ptr<SpeechBubbleController> m_bubble;

private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietOffscreen); }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }
    void init()
    {
        m_pet = std::make_unique<QWidget>();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        m_pet->setGeometry(QRect(area.center() - QPoint(50, 50), QSize(100, 100)));
        m_bubble = std::make_unique<SpeechBubbleController>(nullptr);
        m_bubble->setPetWindow(m_pet.get());
    }

    void cleanup()
    {
        m_bubble.reset();
        m_pet.reset();
    }

    void placement_data()
    {
        QTest::addColumn<QRectF>("pet");
        QTest::addColumn<QSizeF>("bubble");
        QTest::addColumn<QRectF>("area"); // null: no screen
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<qreal>("tailX");
        QTest::addColumn<Tail>("tail");

        const QRectF screen(0, 0, 1280, 800);
        const QSizeF size(120, 40);
        QTest::newRow("above") << QRectF(600, 400, 100, 100) << size << screen << QRectF(590, 354, 120, 40) << 60.0
                               << Tail::Down;
        // The top of a bubble above may come exactly 8 points from the top of the area, not closer.
        QTest::newRow("above, 8 from the top")
            << QRectF(600, 54, 100, 100) << size << screen << QRectF(590, 8, 120, 40) << 60.0 << Tail::Down;
        QTest::newRow("below, 7 from the top")
            << QRectF(600, 53, 100, 100) << size << screen << QRectF(590, 159, 120, 40) << 60.0 << Tail::Up;
        // A second screen right of the first, under a 30-point panel.
        QTest::newRow("below a panel") << QRectF(1600, 60, 100, 100) << size << QRectF(1280, 30, 1920, 1050)
                                       << QRectF(1590, 166, 120, 40) << 60.0 << Tail::Up;
        // The pet at the far left: 4 points from the edge, the tail 19 points from the corner.
        QTest::newRow("left edge") << QRectF(0, 400, 20, 100) << size << screen << QRectF(4, 354, 120, 40) << 19.0
                                   << Tail::Down;
        QTest::newRow("right edge") << QRectF(1260, 400, 20, 100) << size << screen << QRectF(1156, 354, 120, 40)
                                    << 101.0 << Tail::Down;
        QTest::newRow("wider than the area") << QRectF(10, 400, 20, 100) << size << QRectF(0, 0, 100, 800)
                                             << QRectF(4, 354, 120, 40) << 19.0 << Tail::Down;
        QTest::newRow("no screen") << QRectF(-500, -10, 100, 100) << size << QRectF() << QRectF(-510, -56, 120, 40)
                                   << 60.0 << Tail::Down;
        // An odd width would put the window half a point off; the tail still aims at the centre.
        QTest::newRow("odd width") << QRectF(600, 400, 100, 100) << QSizeF(81, 40) << screen << QRectF(610, 354, 81, 40)
                                   << 40.0 << Tail::Down;
    }

    void placement()
    {
        QFETCH(QRectF, pet);
        QFETCH(QSizeF, bubble);
        QFETCH(QRectF, area);
        QFETCH(QRectF, frame);
        QFETCH(qreal, tailX);
        QFETCH(Tail, tail);
        const auto placement = Layout::place(pet, bubble, area.isNull() ? std::nullopt : std::optional<QRectF>(area));
        QCOMPARE(placement.frame, frame);
        QCOMPARE(placement.tailX, tailX);
        QCOMPARE(placement.tail, tail);
    }

    void speakingTimeCountsWhatTheReaderSees_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("ms");
        QTest::newRow("empty") << "" << 2800;
        QTest::newRow("10 characters, the floor") << "abcdefghij" << 2800;
        QTest::newRow("11 characters") << "abcdefghijk" << 2880;
        QTest::newRow("75 characters, the ceiling") << QString(75, 'x') << 8000;
        QTest::newRow("200 characters") << QString(200, 'x') << 8000;
        // 20 thumbs with a skin tone: 80 UTF-16 units, 40 code points, 20 characters.
        QTest::newRow("emoji with modifiers") << QString("👍🏽").repeated(20) << 3600;
        QTest::newRow("families, flags, accents")
            << QString(QString("🇫🇷e\u0301👨‍👩‍👧 ").repeated(5) + "abc") << 2000 + 80 * 23;
    }

    void speakingTimeCountsWhatTheReaderSees()
    {
        QFETCH(QString, line);
        QFETCH(int, ms);
        QCOMPARE(SpeakingTime::forLine(line), std::chrono::milliseconds(ms));
    }

    void bubbleFitsTheLineAboveThePet()
    {
        m_bubble->show("Hi", 5s);
        QVERIFY(m_bubble->view());
        // One line of the bubble's font, whichever font the desktop has.
        const int height = int(
            SpeechBubbleLayout::bubbleSize({ 0, QFontMetricsF(SpeechBubbleView::bubbleFont()).height() }).height());
        QCOMPARE(m_bubble->view()->size(), QSize(80, height));
        QCOMPARE(m_bubble->view()->text(), "Hi");
        // Above the pet, centred on it.
        const QRect pet = m_pet->geometry();
        QCOMPARE(m_bubble->view()->geometry(), QRect(pet.x() + 10, pet.y() - 6 - height, 80, height));
        QCOMPARE(m_bubble->view()->tailDirection(), Tail::Down);

        m_bubble->show("A rather long line that the pet says, which cannot possibly fit on a single line of the "
                       "bubble and must wrap onto several.",
            5s);
        const QSize size = m_bubble->view()->size();
        QVERIFY2(size.width() <= 220 + 24 && size.width() > 200, qPrintable(QString::number(size.width())));
        QVERIFY(size.height() > 60);

        // A line longer than the screen can hold is cut to its visible height with an ellipsis.
        const QString endless = QString("word ").repeated(4000) + "end";
        m_bubble->show(endless, 5s);
        const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
        QVERIFY2(m_bubble->view()->height() <= available, qPrintable(QString::number(m_bubble->view()->height())));
        QVERIFY(m_bubble->view()->height() > available / 2);
        QVERIFY(m_bubble->view()->text().endsWith(QChar(0x2026)));
        QVERIFY(endless.startsWith(m_bubble->view()->text().chopped(1)));
    }

    void shadowIsBlackAtSixTenthsBlurredOverEightPoints()
    {
        QPainterPath shape;
        shape.addRect(20, 20, 100, 60);
        for (const qreal ratio : { 1.0, 2.0 }) {
            const QImage shadow = SpeechBubbleView::shadowImage(shape, QSize(140, 110), ratio);
            const auto alphaAt = [&](int x, int y) { return qAlpha(shadow.pixel(int(x * ratio), int(y * ratio))); };
            QVERIFY2(qAbs(alphaAt(70, 52) - 153) <= 2, qPrintable(QString::number(alphaAt(70, 52))));
            // Two points lower than the shape: its lower edge is half as dark, and the blur
            // fades out over about eight points.
            QVERIFY2(qAbs(alphaAt(70, 82) - 77) <= 12, qPrintable(QString::number(alphaAt(70, 82))));
            QVERIFY(alphaAt(70, 88) > 5 && alphaAt(70, 88) < 40);
            QCOMPARE(alphaAt(70, 96), 0);
            QCOMPARE(qRed(shadow.pixel(int(70 * ratio), int(52 * ratio))), 0);
        }
    }

    void blankLineChangesNothing()
    {
        m_bubble->show("  \n\t ", 5s);
        QVERIFY(!m_bubble->view());

        m_bubble->show("  First  \n", 5s);
        QCOMPARE(m_bubble->view()->text(), "First");
        const QRect before = m_bubble->view()->geometry();
        m_bubble->show(" \n ", 50ms);
        QCOMPARE(m_bubble->view()->text(), "First");
        QCOMPARE(m_bubble->view()->geometry(), before);
        QTest::qWait(100);
        QVERIFY(m_bubble->isShowing());
    }

    void nothingWithoutPet()
    {
        m_bubble->setPetWindow(nullptr);
        m_bubble->show("Hello", 5s);
        QVERIFY(!m_bubble->view());

        // The pet window going away is the same as having none.
        auto pet = std::make_unique<QWidget>();
        m_bubble->setPetWindow(pet.get());
        pet.reset();
        m_bubble->show("Hello", 5s);
        QVERIFY(!m_bubble->view());
    }

    void dismissesThenReleasesWindow()
    {
        m_bubble->setReleaseDelay(100ms);
        m_bubble->show("Hello", 50ms);
        QVERIFY(m_bubble->isShowing());
        QTRY_VERIFY(!m_bubble->isShowing());
        // Fading out: still on screen until the fade is over, then hidden but kept for a while.
        QVERIFY(m_bubble->view()->isVisible());
        QTRY_VERIFY(m_bubble->view() && !m_bubble->view()->isVisible());
        QCOMPARE(m_bubble->view()->windowOpacity(), 0.0);
        QTRY_VERIFY(!m_bubble->view());

        // The next line builds a new window.
        m_bubble->show("Again", 5s);
        QVERIFY(m_bubble->view());
        QTRY_COMPARE(m_bubble->view()->windowOpacity(), 1.0);
    }

    void newLineRestartsTheClock()
    {
        QElapsedTimer clock;
        clock.start();
        m_bubble->show("First line", 400ms);
        QTest::qWait(250);
        m_bubble->show("Second line", 400ms);
        const qint64 secondShownAt = clock.elapsed();
        QTRY_VERIFY_WITH_TIMEOUT(!m_bubble->isShowing(), 2000);
        QCOMPARE(m_bubble->view()->text(), "Second line");
        QVERIFY2(clock.elapsed() - secondShownAt >= 400, qPrintable(QString::number(clock.elapsed())));
    }

    void lineShownDuringFadeOutStays()
    {
        m_bubble->setReleaseDelay(50ms);
        m_bubble->show("Going", 5s);
        m_bubble->hide();
        QTRY_VERIFY(m_bubble->view()->windowOpacity() < 0.9);
        m_bubble->show("Staying", 5s);
        QTest::qWait(int(SpeechBubbleController::fadeDuration.count()) + 150);
        QVERIFY(m_bubble->view());
        QVERIFY(m_bubble->view()->isVisible());
        QCOMPARE(m_bubble->view()->windowOpacity(), 1.0);
        QCOMPARE(m_bubble->view()->text(), "Staying");
    }

    void bubbleFollowsPet()
    {
        // At the top of the screen the bubble goes below, tail up; it keeps that side as it follows.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        m_pet->move(area.x() + 300, area.y());
        m_bubble->show("Hello", 5s);
        QCOMPARE(m_bubble->view()->tailDirection(), Tail::Up);
        QCOMPARE(m_bubble->view()->y(), area.y() + 100 + 6);

        m_pet->move(area.x() + 500, area.y() + 300);
        m_bubble->repositionAboveCurrentPet();
        QCOMPARE(m_bubble->view()->pos(), QPoint(area.x() + 500 + 10, area.y() + 300 + 100 + 6));
        QCOMPARE(m_bubble->view()->tailDirection(), Tail::Up);
        QCOMPARE(m_bubble->view()->tailX(), 40.0);
    }
};

TAMSEL_TEST_MAIN(TestSpeechBubble)
#include "tst_speechbubble.moc"
