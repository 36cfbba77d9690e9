#include "PXColor.h"

#include <QTest>

class TestPXColor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void acceptedTexts_data();
    void acceptedTexts();
    void rejectedTexts_data();
    void rejectedTexts();
    void nonHexPairs_data();
    void nonHexPairs();
    void componentsAreSinglePrecisionFractions();
    void alphaIsKept();
};

void TestPXColor::acceptedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("hash lower") << "#44c0fe";
    QTest::newRow("hash upper") << "#44C0FE";
    QTest::newRow("bare") << "44C0FE";
    QTest::newRow("blank and newline") << " 44C0FE\n";
    QTest::newRow("tabs around") << "\t#44C0FE \r\n";
    QTest::newRow("0x lower") << "0x44c0fe";
    QTest::newRow("0X then hash") << "0X#44C0FE";
    QTest::newRow("0x then hash lower") << "0x#44c0fe";
}

void TestPXColor::acceptedTexts()
{
    QFETCH(QString, text);
    const QColor c = PXColor::colorWithHexString(text);
    QCOMPARE(c.name(QColor::HexArgb).toUpper(), QStringLiteral("#FF44C0FE"));
}

void TestPXColor::rejectedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blank only") << "      ";
    QTest::newRow("short form") << "#FFF";
    QTest::newRow("with alpha pair") << "#44C0FE80";
    QTest::newRow("five digits") << "44C0F";
    QTest::newRow("seven digits") << "44C0FE0";
    QTest::newRow("long name") << "orangered";
    QTest::newRow("hash then 0x") << "#0x44C0FE";
    QTest::newRow("two hashes") << "##44C0FE";
    QTest::newRow("0x only") << "0x    ";
}

void TestPXColor::rejectedTexts()
{
    QFETCH(QString, text);
    const QColor c = PXColor::colorWithHexString(text, 1.0);
    QCOMPARE(c.rgba(), qRgba(0, 0, 0, 0));
}

void TestPXColor::nonHexPairs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // A pair counts as far as its leading hexadecimal digits reach.
    QTest::newRow("second digit bad") << "4G4G4G"
                                      << "#040404";
    QTest::newRow("first digit bad") << "G4C0FE"
                                     << "#00C0FE";
    QTest::newRow("inner blank") << "44 0FE"
                                 << "#4400FE";
    QTest::newRow("minus sign") << "#-1C0FE"
                                << "#00C0FE";
    QTest::newRow("full-width digits") << "４４C0FE"
                                       << "#00C0FE";
    QTest::newRow("six-letter name") << "orange"
                                     << "#000A00";
    QTest::newRow("all bad") << "#ZZZZZZ"
                             << "#000000";
}

void TestPXColor::nonHexPairs()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QColor c = PXColor::colorWithHexString(text);
    QCOMPARE(c.name().toUpper(), expected);
    QCOMPARE(c.alphaF(), 1.0f);
}

void TestPXColor::componentsAreSinglePrecisionFractions()
{
    const QColor c = PXColor::colorWithHex(0xFF44C0FE);
    QCOMPARE(c.redF(), float(0x44) / 255.f);
    QCOMPARE(c.greenF(), float(0xC0) / 255.f);
    QCOMPARE(c.blueF(), float(0xFE) / 255.f);
    QCOMPARE(c.name().toUpper(), QStringLiteral("#44C0FE"));
}

void TestPXColor::alphaIsKept()
{
    // QColor keeps 16 bits per channel.
    QVERIFY(qAbs(PXColor::colorWithHexString("#000000", 0.8).alphaF() - 0.8f) < 1e-4f);
    QVERIFY(qAbs(PXColor::colorWithHex(0xFE5900, 0.25).alphaF() - 0.25f) < 1e-4f);
    QCOMPARE(PXColor::colorWithHexString("#FE5900").alphaF(), 1.0f);
}

QTEST_APPLESS_MAIN(TestPXColor)
#include "tst_pxcolor.moc"
