#include "foundation/TextTrim.h"

#include "support/TestMain.h"

class TestTextTrim : public QObject {
    Q_OBJECT

private slots:
    void bothTrims_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spacesAndTabs");
        QTest::addColumn<QString>("whiteSpaceAndLineBreaks");
        // A no-break space pasted from a web page is a space like any other.
        QTest::newRow("no-break and wide spaces") << "\t\u00a0Pip\u2003\u3000"
                                                  << "Pip"
                                                  << "Pip";
        QTest::newRow("line breaks") << " \nLoves naps\r\n "
                                     << "\nLoves naps\r\n"
                                     << "Loves naps";
        QTest::newRow("only spaces") << " \t\u00a0\u2009"
                                     << ""
                                     << "";
    }

    void bothTrims()
    {
        QFETCH(QString, text);
        QFETCH(QString, spacesAndTabs);
        QFETCH(QString, whiteSpaceAndLineBreaks);
        QCOMPARE(TextTrim::spacesAndTabs(text), spacesAndTabs);
        QCOMPARE(TextTrim::isBlank(text), spacesAndTabs.isEmpty());
        QCOMPARE(TextTrim::whiteSpaceAndLineBreaks(text), whiteSpaceAndLineBreaks);
    }
};

TAMSEL_TEST_MAIN(TestTextTrim)
#include "tst_texttrim.moc"
