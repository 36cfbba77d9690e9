#include "CXScanner.h"

#include <QtTest>
#include <cmath>
#include <limits>

class tst_Scanner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void unsignedValid_data();
    void unsignedValid();
    void unsignedInvalid_data();
    void unsignedInvalid();
    void doubles_data();
    void doubles();
};

void tst_Scanner::unsignedValid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("wide");
    QTest::addColumn<quint32>("narrow");
    QTest::addColumn<int>("location");
    constexpr quint64 max64 = std::numeric_limits<quint64>::max();
    constexpr quint32 max32 = std::numeric_limits<quint32>::max();
    QTest::newRow("stops at letter") << "12ab" << quint64(12) << quint32(12) << 2;
    QTest::newRow("32-bit clamp") << "4294967296" << quint64(4294967296) << max32 << 10;
    QTest::newRow("64-bit max") << "18446744073709551615" << max64 << max32 << 20;
    QTest::newRow("64-bit saturates") << "18446744073709551616" << max64 << max32 << 20;
}

void tst_Scanner::unsignedValid()
{
    QFETCH(QString, text);
    QFETCH(quint64, wide);
    QFETCH(quint32, narrow);
    QFETCH(int, location);
    CXScanner scanner(text);
    quint64 value = 0;
    QVERIFY(scanner.cx_scanUnsignedLongLong(&value));
    QCOMPARE(value, wide);
    QCOMPARE(scanner.scanLocation(), location);
    quint32 small = 0;
    QVERIFY(CXScanner(text).cx_scanUnsignedInt(&small));
    QCOMPARE(small, narrow);
}

void tst_Scanner::unsignedInvalid_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("sign") << "-1";
    QTest::newRow("non-ASCII digit") << QStringLiteral("\u0661");
}

void tst_Scanner::unsignedInvalid()
{
    QFETCH(QString, text);
    CXScanner scanner(text);
    quint32 value = 77;
    QVERIFY(!scanner.cx_scanUnsignedInt(&value));
    QCOMPARE(value, quint32(77));
    QCOMPARE(scanner.scanLocation(), 0);
}

void tst_Scanner::doubles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("no whole part") << " .5s" << true << 0.5;
    QTest::newRow("dangling exponent") << "3e" << true << 3.0;
    QTest::newRow("overflow") << "-1e999" << true << -inf;
    QTest::newRow("underflow") << "1e-999" << true << 0.0;
    QTest::newRow("exponent only") << "e5" << false << 0.0;
}

void tst_Scanner::doubles()
{
    QFETCH(QString, text);
    QFETCH(bool, found);
    QFETCH(double, value);
    double scanned = 0.0;
    QCOMPARE(CXScanner(text).scanDouble(&scanned), found);
    QCOMPARE(scanned, value);
}

QTEST_APPLESS_MAIN(tst_Scanner)
#include "tst_scanner.moc"
