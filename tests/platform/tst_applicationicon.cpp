#include "platform/ApplicationIcon.h"
#include "tray/PawIcon.h"

#include "support/TestMain.h"

#include <QFile>

#include <algorithm>

// The icons every window and the tray carry.
class TestApplicationIcon : public QObject {
    Q_OBJECT

public:
    explicit TestApplicationIcon(TestEnvironment *) { }

private slots:
    // Read without asking every image plug-in about the files: that loads all of them, and the
    // libraries under them, for the rest of the run.
    void iconsAreReadWithoutLoadingImagePlugins()
    {
        QList<QSize> sizes = ApplicationIcon::icon().availableSizes();
        std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
        const QList<QSize> expected { { 16, 16 }, { 22, 22 }, { 24, 24 }, { 32, 32 }, { 48, 48 }, { 64, 64 },
            { 128, 128 }, { 256, 256 } };
        QCOMPARE(sizes, expected);
        QCOMPARE(ApplicationIcon::icon().pixmap(72, 72).size(), QSize(72, 72));
        QCOMPARE(PawIcon::icon().availableSizes().size(), 6);
        QVERIFY(ApplicationIcon::readPng(QStringLiteral(":/icons/missing.png")).isNull());

        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(!mapped.contains("/imageformats/"), "an image plug-in was loaded");
    }
};

TAMSEL_TEST_MAIN(TestApplicationIcon)
#include "tst_applicationicon.moc"
