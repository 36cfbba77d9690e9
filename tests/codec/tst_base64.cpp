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
    void roundTrip_data();
    void roundTrip();
    void stringDecodersRejectNonAscii();
    void coresRespectCapacity();
};

void tst_Base64::encode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("webSafePadded");
    QTest::addColumn<QString>("webSafeUnpadded");

    QTest::newRow("f") << QByteArray("f") << "Zg=="
                       << "Zg=="
                       << "Zg";
    QTest::newRow("fo") << QByteArray("fo") << "Zm8="
                        << "Zm8="
                        << "Zm8";
    QTest::newRow("foo") << QByteArray("foo") << "Zm9v"
                         << "Zm9v"
                         << "Zm9v";
    QTest::newRow("foobar") << QByteArray("foobar") << "Zm9vYmFy"
                            << "Zm9vYmFy"
                            << "Zm9vYmFy";
    QTest::newRow("alphabet ends") << QByteArray("\xfb\xff") << "+/8="
                                   << "-_8="
                                   << "-_8";
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

void tst_Base64::decodeValid_data()
{
    QTest::addColumn<bool>("webSafe");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("padded") << false << QByteArray("Zg==") << QByteArray("f");
    QTest::newRow("spaces everywhere") << false << QByteArray(" Zg == ") << QByteArray("f");
    QTest::newRow("one pad") << false << QByteArray("Zm8=") << QByteArray("fo");
    QTest::newRow("whole groups") << false << QByteArray("Zm9vYmFy") << QByteArray("foobar");
    QTest::newRow("all whitespace bytes")
        << false << QByteArray("\tZ\nm\v9\fv\r \xa0\xff") << QByteArray("foo");
    QTest::newRow("NUL ends input")
        << false << QByteArray("Zm9v\0garbage", 12) << QByteArray("foo");
    QTest::newRow("NUL after padding") << false << QByteArray("Zg==\0x", 6) << QByteArray("f");
    QTest::newRow("standard alphabet ends")
        << false << QByteArray("+/8=") << QByteArray("\xfb\xff");
    QTest::newRow("websafe unpadded") << true << QByteArray("Zg") << QByteArray("f");
    QTest::newRow("websafe three") << true << QByteArray("Zm8") << QByteArray("fo");
    QTest::newRow("websafe padded") << true << QByteArray("Zg==") << QByteArray("f");
    QTest::newRow("websafe alphabet ends") << true << QByteArray("-_8") << QByteArray("\xfb\xff");
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
    QTest::newRow("third pad") << false << QByteArray("Zg===");
    QTest::newRow("data after padding") << false << QByteArray("Zg==Zg==");
    QTest::newRow("websafe characters") << false << QByteArray("-_8=");
    QTest::newRow("byte above 127") << false << QByteArray("Zg\x80=");
    QTest::newRow("empty") << false << QByteArray("");
    QTest::newRow("only whitespace") << false << QByteArray("  \n ");
    QTest::newRow("websafe one character") << true << QByteArray("Zm9vZ");
    QTest::newRow("websafe standard characters") << true << QByteArray("+/8");
    QTest::newRow("websafe spare bits") << true << QByteArray("Zh");
}

void tst_Base64::decodeInvalid()
{
    QFETCH(bool, webSafe);
    QFETCH(QByteArray, text);
    const QByteArray decoded
        = webSafe ? CXBase64::webSafeDecodeData(text) : CXBase64::decodeData(text);
    QVERIFY2(decoded.isNull(), decoded.toHex().constData());
}

void tst_Base64::roundTrip_data()
{
    QTest::addColumn<bool>("webSafe");
    QTest::addColumn<bool>("padded");
    QTest::newRow("standard") << false << true;
    QTest::newRow("websafe padded") << true << true;
    QTest::newRow("websafe unpadded") << true << false;
}

void tst_Base64::roundTrip()
{
    QFETCH(bool, webSafe);
    QFETCH(bool, padded);
    QRandomGenerator random(7);
    for (int length = 1; length < 100; ++length) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        const QByteArray text
            = webSafe ? CXBase64::webSafeEncodeData(bytes, padded) : CXBase64::encodeData(bytes);
        QCOMPARE(text.size(), CXBase64::encodedLength(length, padded));
        QCOMPARE(webSafe ? CXBase64::webSafeDecodeData(text) : CXBase64::decodeData(text), bytes);
        if (!webSafe)
            QCOMPARE(text, bytes.toBase64());
    }
}

void tst_Base64::stringDecodersRejectNonAscii()
{
    QCOMPARE(CXBase64::decodeString(QStringLiteral(" Zg == ")), QByteArray("f"));
    QVERIFY(CXBase64::decodeString(QStringLiteral("Zg==\u00e9")).isNull());
    QVERIFY(CXBase64::webSafeDecodeString(QStringLiteral("Z\u4e2dg")).isNull());
    QVERIFY(CXBase64::encodeData(QByteArray()).isNull());
    QVERIFY(CXBase64::stringByWebSafeEncodingBytes(nullptr, 0, true).isNull());
}

void tst_Base64::coresRespectCapacity()
{
    char out[8] = {};
    QCOMPARE(CXBase64::baseEncode("foo", 3, out, 3, CXBase64::Charset::Standard, true), 0);
    QCOMPARE(CXBase64::baseEncode("foo", 3, out, 4, CXBase64::Charset::Standard, true), 4);
    QCOMPARE(CXBase64::baseDecode("Zm9vYmFy", 8, out, 5, CXBase64::Charset::Standard, true), 0);
    QCOMPARE(CXBase64::baseDecode("Zm9vYmFy", 8, out, 6, CXBase64::Charset::Standard, true), 6);
    QCOMPARE(QByteArray(out, 6), QByteArray("foobar"));
}

QTEST_APPLESS_MAIN(tst_Base64)
#include "tst_base64.moc"
