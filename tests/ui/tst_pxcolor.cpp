#include "PXColor.h"

#include <QTest>

class TestPXColor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parsesHexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("alpha");
        QTest::addColumn<QString>("expected"); // #AARRGGBB
        QTest::newRow("hash lower") << "#44c0fe" << 1.0 << "#FF44C0FE";
        QTest::newRow("blank and newline") << " 44C0FE\n" << 1.0 << "#FF44C0FE";
        QTest::newRow("0X then hash") << "0X#44C0FE" << 1.0 << "#FF44C0FE";
        QTest::newRow("alpha kept") << "#000000" << 0.8 << "#CC000000";
        QTest::newRow("empty") << "" << 1.0 << "#00000000";
        QTest::newRow("short form") << "#FFF" << 1.0 << "#00000000";
        // A pair counts as far as its leading hexadecimal digits reach.
        QTest::newRow("second digit bad") << "4G4G4G" << 1.0 << "#FF040404";
    }

    void parsesHexText()
    {
        QFETCH(QString, text);
        QFETCH(double, alpha);
        QTEST(PXColor::colorWithHexString(text, alpha).name(QColor::HexArgb).toUpper(), "expected");
    }
};

QTEST_APPLESS_MAIN(TestPXColor)
#include "tst_pxcolor.moc"
