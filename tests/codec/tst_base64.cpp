#include "CXBase64.h"

#include <QRandomGenerator>
#include <QtTest>

class tst_Base64 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encode_data();
    void encode();
    void decodeValid_data();
    void decodeValid();
    void decodeInvalid_data();
    void decodeInvalid();
    void roundTrip();
};

void tst_Base64::encode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("webSafePadded");
    QTest::addColumn<QString>("webSafeUnpadded");
    const struct
    {
        const char *bytes, *standard, *webSafePadded, *webSafeUnpadded;
    } rows[] = {{"f", "Zg==", "Zg==", "Zg"},
                {"fo", "Zm8=", "Zm8=", "Zm8"},
                {"foobar", "Zm9vYmFy", "Zm9vYmFy", "Zm9vYmFy"},
                {"\xfb\xff", "+/8=", "-_8=", "-_8"}};
    for (const auto &r : rows)
        QTest::newRow(r.standard) << QByteArray(r.bytes) << r.standard << r.webSafePadded
                                  << r.webSafeUnpadded;
}

void tst_Base64::encode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, standard);
    QFETCH(QString, webSafePadded);
    QFETCH(QString, webSafeUnpadded);
    QCOMPARE(CXBase64::encodeData(bytes), standard.toLatin1());
    QCOMPARE(CXBase64::stringByEncodingBytes(bytes.constData(), bytes.size()), standard);
    QCOMPARE(CXBase64::stringByWebSafeEncodingData(bytes, true), webSafePadded);
    QCOMPARE(CXBase64::webSafeEncodeBytes(bytes.constData(), bytes.size(), false),
             webSafeUnpadded.toLatin1());
}

// Decoding of canonical text is covered by the round trip; these are the
// liberties a decoder takes beyond it.
void tst_Base64::decodeValid_data()
{
    QTest::addColumn<bool>("webSafe");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("all whitespace bytes")
        << false << QByteArray("\tZ\nm\v9\fv\r \xa0\xff") << QByteArray("foo");
    QTest::newRow("spaces around padding") << false << QByteArray(" Zg == ") << QByteArray("f");
    QTest::newRow("NUL ends input")
        << false << QByteArray("Zm9v\0garbage", 12) << QByteArray("foo");
    QTest::newRow("NUL after padding") << false << QByteArray("Zg==\0x", 6) << QByteArray("f");
    QTest::newRow("websafe accepts padding") << true << QByteArray("Zg==") << QByteArray("f");
}

void tst_Base64::decodeValid()
{
    QFETCH(bool, webSafe);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(webSafe ? CXBase64::webSafeDecodeData(text) : CXBase64::decodeData(text), bytes);
}

void tst_Base64::decodeInvalid_data()
{
    QTest::addColumn<bool>("webSafe");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("padding required") << false << QByteArray("Zg");
    QTest::newRow("non-zero spare bits") << false << QByteArray("Zh==");
    QTest::newRow("non-zero spare bits, one pad") << false << QByteArray("Zm9=");
    QTest::newRow("pad after one character") << false << QByteArray("Z===");
    QTest::newRow("pad at group start") << false << QByteArray("Zm9v=");
    QTest::newRow("second pad missing") << false << QByteArray("Zg=");
    QTest::newRow("NUL before second pad") << false << QByteArray("Zg=\0=", 5);
    QTest::newRow("data after padding") << false << QByteArray("Zg==Zg==");
    QTest::newRow("websafe characters") << false << QByteArray("-_8=");
    QTest::newRow("byte above 127") << false << QByteArray("Zg\x80=");
    QTest::newRow("only whitespace") << false << QByteArray("  \n ");
    QTest::newRow("websafe one character") << true << QByteArray("Zm9vZ");
    QTest::newRow("websafe standard characters") << true << QByteArray("+/8");
}

void tst_Base64::decodeInvalid()
{
    QFETCH(bool, webSafe);
    QFETCH(QByteArray, text);
    const QByteArray decoded
        = webSafe ? CXBase64::webSafeDecodeData(text) : CXBase64::decodeData(text);
    QVERIFY2(decoded.isNull(), decoded.toHex().constData());
}

void tst_Base64::roundTrip()
{
    QRandomGenerator random(7);
    for (int length = 1; length < 100; ++length) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        const QByteArray standard = CXBase64::encodeData(bytes);
        QCOMPARE(standard, bytes.toBase64());
        QCOMPARE(CXBase64::decodeData(standard), bytes);
        for (bool padded : {true, false}) {
            const QByteArray webSafe = CXBase64::webSafeEncodeData(bytes, padded);
            QCOMPARE(webSafe.size(), CXBase64::encodedLength(length, padded));
            QCOMPARE(CXBase64::webSafeDecodeData(webSafe), bytes);
        }
    }
}

QTEST_APPLESS_MAIN(tst_Base64)
#include "tst_base64.moc"
