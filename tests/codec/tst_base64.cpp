#include "CXBase64.h"

#include <QtTest>

class tst_Base64 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Decoding of canonical text is covered by the comparison with Qt; these are the
    // liberties a decoder takes beyond it, and what it must refuse (null bytes).
    void decode_data()
    {
        QTest::addColumn<bool>("webSafe");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray refused;
        QTest::newRow("all whitespace bytes")
            << false << QByteArray("\tZ\nm\v9\fv\r \xa0\xff") << QByteArray("foo");
        QTest::newRow("spaces around padding") << false << QByteArray(" Zg == ") << QByteArray("f");
        QTest::newRow("NUL ends input")
            << false << QByteArray("Zm9v\0garbage", 12) << QByteArray("foo");
        QTest::newRow("websafe accepts padding") << true << QByteArray("Zg==") << QByteArray("f");
        QTest::newRow("padding required") << false << QByteArray("Zg") << refused;
        QTest::newRow("non-zero spare bits") << false << QByteArray("Zh==") << refused;
        QTest::newRow("non-zero spare bits, one pad") << false << QByteArray("Zm9=") << refused;
        QTest::newRow("pad after one character") << false << QByteArray("Z===") << refused;
        QTest::newRow("pad at group start") << false << QByteArray("Zm9v=") << refused;
        QTest::newRow("second pad missing") << false << QByteArray("Zg=") << refused;
        QTest::newRow("NUL before second pad") << false << QByteArray("Zg=\0=", 5) << refused;
        QTest::newRow("data after padding") << false << QByteArray("Zg==Zg==") << refused;
        QTest::newRow("websafe characters") << false << QByteArray("-_8=") << refused;
        QTest::newRow("byte above 127") << false << QByteArray("Zg\x80=") << refused;
        QTest::newRow("only whitespace") << false << QByteArray("  \n ") << refused;
        QTest::newRow("websafe one character") << true << QByteArray("Zm9vZ") << refused;
        QTest::newRow("websafe standard characters") << true << QByteArray("+/8") << refused;
    }

    void decode()
    {
        QFETCH(bool, webSafe);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, bytes);
        const QByteArray decoded
            = webSafe ? CXBase64::webSafeDecodeData(text) : CXBase64::decodeData(text);
        QCOMPARE(decoded.isNull(), bytes.isNull());
        QCOMPARE(decoded, bytes);
    }

    // Every encoder against Qt's own Base64, and the decoders back, over random
    // bytes of every length up to a few dozen groups.
    void agreesWithQt()
    {
        QRandomGenerator random(7);
        for (QByteArray bytes; bytes.size() < 99;) {
            bytes += char(random.bounded(256));
            const QByteArray standard = bytes.toBase64();
            QCOMPARE(CXBase64::encodeData(bytes), standard);
            QCOMPARE(CXBase64::stringByEncodingBytes(bytes.constData(), bytes.size()),
                     QString::fromLatin1(standard));
            QCOMPARE(CXBase64::decodeData(standard), bytes);
            for (const auto equals :
                 {QByteArray::KeepTrailingEquals, QByteArray::OmitTrailingEquals}) {
                const bool padded = equals == QByteArray::KeepTrailingEquals;
                const QByteArray webSafe = bytes.toBase64(QByteArray::Base64UrlEncoding | equals);
                QCOMPARE(CXBase64::webSafeEncodeBytes(bytes.constData(), bytes.size(), padded),
                         webSafe);
                QCOMPARE(CXBase64::stringByWebSafeEncodingData(bytes, padded),
                         QString::fromLatin1(webSafe));
                QCOMPARE(CXBase64::webSafeDecodeData(webSafe), bytes);
            }
        }
    }
};

QTEST_APPLESS_MAIN(tst_Base64)
#include "tst_base64.moc"
