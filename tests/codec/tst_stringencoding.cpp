#include "CXStringEncoding.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// Built the way the account URL builds its secret codec.
std::unique_ptr<CXStringEncoding> otpauthCodec()
{
    auto codec = CXStringEncoding::stringEncodingWithString(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"));
    codec->addDecodeSynonyms(
        QStringLiteral("AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz"));
    codec->ignoreCharacters(QStringLiteral(" -"));
    return codec;
}

std::unique_ptr<CXStringEncoding> codecNamed(const QString &name)
{
    if (name == QLatin1String("binary"))
        return CXStringEncoding::binaryStringEncoding();
    if (name == QLatin1String("hex"))
        return CXStringEncoding::hexStringEncoding();
    if (name == QLatin1String("base32"))
        return CXStringEncoding::rfc4648Base32StringEncoding();
    if (name == QLatin1String("base32hex"))
        return CXStringEncoding::rfc4648Base32HexStringEncoding();
    if (name == QLatin1String("crockford"))
        return CXStringEncoding::crockfordBase32StringEncoding();
    if (name == QLatin1String("base64"))
        return CXStringEncoding::rfc4648Base64StringEncoding();
    if (name == QLatin1String("websafe"))
        return CXStringEncoding::rfc4648Base64WebsafeStringEncoding();
    return otpauthCodec();
}

const QStringList allCodecs
    = {QStringLiteral("binary"),    QStringLiteral("hex"),       QStringLiteral("base32"),
       QStringLiteral("base32hex"), QStringLiteral("crockford"), QStringLiteral("base64"),
       QStringLiteral("websafe"),   QStringLiteral("otpauth")};

} // namespace

class tst_StringEncoding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodeValid_data();
    void decodeValid();
    void decodeInvalid_data();
    void decodeInvalid();
    void encode_data();
    void encode();
    void roundTrip_data();
    void roundTrip();
    void validAlphabet_data();
    void validAlphabet();
    void invalidAlphabet_data();
    void invalidAlphabet();
    void stringByDecodingRejectsBadUtf8();
    void description();
};

void tst_StringEncoding::decodeValid_data()
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("otpauth upper") << "otpauth"
                                   << "MY" << QByteArray("f");
    QTest::newRow("otpauth lower") << "otpauth"
                                   << "my" << QByteArray("f");
    QTest::newRow("otpauth space") << "otpauth"
                                   << "m y" << QByteArray("f");
    QTest::newRow("otpauth hyphen") << "otpauth"
                                    << "M-Y" << QByteArray("f");
    QTest::newRow("otpauth zero bits left") << "otpauth"
                                            << "A" << QByteArray("");
    QTest::newRow("otpauth empty") << "otpauth"
                                   << "" << QByteArray("");
    QTest::newRow("otpauth foob") << "otpauth"
                                  << "MZXW6YQ" << QByteArray("foob");
    QTest::newRow("otpauth stops at NUL")
        << "otpauth" << QStringLiteral("MY\u0000!!") << QByteArray("f");
    QTest::newRow("base32 padded") << "base32"
                                   << "MY======" << QByteArray("f");
    QTest::newRow("base32 foobar") << "base32"
                                   << "MZXW6YTBOI======" << QByteArray("foobar");
    QTest::newRow("base32 padding count unchecked") << "base32"
                                                    << "MY=" << QByteArray("f");
    QTest::newRow("base32hex") << "base32hex"
                               << "CPNMUOJ1E8======" << QByteArray("foobar");
    QTest::newRow("hex upper") << "hex"
                               << "666F6F" << QByteArray("foo");
    QTest::newRow("hex lower") << "hex"
                               << "666f6f" << QByteArray("foo");
    QTest::newRow("hex half byte of zeros") << "hex"
                                            << "0" << QByteArray("");
    QTest::newRow("crockford") << "crockford"
                               << "CSQPY" << QByteArray("foo");
    QTest::newRow("crockford synonyms") << "crockford"
                                        << "csqpy" << QByteArray("foo");
    QTest::newRow("crockford 1O") << "crockford"
                                  << "1O" << QByteArray("\x08");
    QTest::newRow("crockford iI lL oO") << "crockford"
                                        << "lo" << QByteArray("\x08");
    QTest::newRow("binary") << "binary"
                            << "01100110" << QByteArray("f");
    QTest::newRow("base64") << "base64"
                            << "Zm9vYg==" << QByteArray("foob");
    QTest::newRow("websafe") << "websafe"
                             << "-_8=" << QByteArray("\xfb\xff");
}

void tst_StringEncoding::decodeValid()
{
    QFETCH(QString, codec);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QByteArray decoded = codecNamed(codec)->decode(text);
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded, bytes);
}

void tst_StringEncoding::decodeInvalid_data()
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("text");

    QTest::newRow("otpauth padding") << "otpauth"
                                     << "MY======";
    QTest::newRow("otpauth 0") << "otpauth"
                               << "0";
    QTest::newRow("otpauth 1") << "otpauth"
                               << "1";
    QTest::newRow("otpauth 8") << "otpauth"
                               << "8";
    QTest::newRow("otpauth 9") << "otpauth"
                               << "9";
    QTest::newRow("otpauth one bit left") << "otpauth"
                                          << "B";
    QTest::newRow("otpauth non-ASCII") << "otpauth" << QStringLiteral("MY\u00e9");
    QTest::newRow("otpauth CJK") << "otpauth" << QStringLiteral("\u4e2d");
    QTest::newRow("base32 data after padding") << "base32"
                                               << "MY=A";
    QTest::newRow("base32 bits left") << "base32"
                                      << "MZ";
    QTest::newRow("base32 lower case") << "base32"
                                       << "my======";
    QTest::newRow("hex bad digit") << "hex"
                                   << "6G";
    QTest::newRow("hex bits left") << "hex"
                                   << "F";
    QTest::newRow("binary digit 2") << "binary"
                                    << "2";
    QTest::newRow("base64 bits left") << "base64"
                                      << "Zh==";
    QTest::newRow("websafe plus") << "websafe"
                                  << "+/8=";
    QTest::newRow("crockford U") << "crockford"
                                 << "U";
}

void tst_StringEncoding::decodeInvalid()
{
    QFETCH(QString, codec);
    QFETCH(QString, text);
    QVERIFY(codecNamed(codec)->decode(text).isNull());
}

void tst_StringEncoding::encode_data()
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("base32 f") << "base32" << QByteArray("f") << "MY======";
    QTest::newRow("otpauth f") << "otpauth" << QByteArray("f") << "MY";
    QTest::newRow("base32 foobar") << "base32" << QByteArray("foobar") << "MZXW6YTBOI======";
    QTest::newRow("base32hex foobar") << "base32hex" << QByteArray("foobar") << "CPNMUOJ1E8======";
    QTest::newRow("hex") << "hex" << QByteArray("\x00\xff", 2) << "00FF";
    QTest::newRow("base64") << "base64" << QByteArray("foob") << "Zm9vYg==";
    QTest::newRow("websafe") << "websafe" << QByteArray("\xfb\xff") << "-_8=";
    QTest::newRow("binary") << "binary" << QByteArray("\x05") << "00000101";
    QTest::newRow("crockford") << "crockford" << QByteArray("foo") << "CSQPY";
    QTest::newRow("empty") << "base32" << QByteArray() << "";
}

void tst_StringEncoding::encode()
{
    QFETCH(QString, codec);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString encoded = codecNamed(codec)->encode(bytes);
    QVERIFY(!encoded.isNull());
    QCOMPARE(encoded, text);
}

void tst_StringEncoding::roundTrip_data()
{
    QTest::addColumn<QString>("codec");
    for (const QString &name : allCodecs)
        QTest::newRow(qPrintable(name)) << name;
}

void tst_StringEncoding::roundTrip()
{
    QFETCH(QString, codec);
    const auto encoding = codecNamed(codec);
    QRandomGenerator random(42);
    for (int length = 0; length < 70; ++length) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        const QString text = encoding->encode(bytes);
        QCOMPARE(encoding->decode(text), bytes);
        QCOMPARE(encoding->stringByDecoding(encoding->encodeString(QStringLiteral("k\u00e9y"))),
                 QStringLiteral("k\u00e9y"));
    }
}

void tst_StringEncoding::validAlphabet_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("base");
    QString ascii;
    for (int c = 0; c < 128; ++c)
        ascii.append(QChar(c));
    QTest::newRow("two") << "ab" << 2;
    QTest::newRow("eight") << "01234567" << 8;
    QTest::newRow("all of ASCII") << ascii << 128;
}

void tst_StringEncoding::validAlphabet()
{
    QFETCH(QString, alphabet);
    QFETCH(int, base);
    const auto codec = CXStringEncoding::initWithString(alphabet);
    QVERIFY(codec);
    QVERIFY(codec->description().startsWith(QStringLiteral("<Base%1 ").arg(base)));
    // With all of ASCII the alphabet holds NUL, where decoding stops.
    if (base < 128) {
        const QByteArray sample("\x01\x80\xff sample", 10);
        QCOMPARE(codec->decode(codec->encode(sample)), sample);
    }
}

void tst_StringEncoding::invalidAlphabet_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::newRow("empty") << "";
    QTest::newRow("one") << "0";
    QTest::newRow("three") << "012";
    QTest::newRow("repeated") << "0120";
    QTest::newRow("non-ASCII") << QStringLiteral("0\u00e9");
    QTest::newRow("256") << QString(256, QLatin1Char('a'));
}

void tst_StringEncoding::invalidAlphabet()
{
    QFETCH(QString, alphabet);
    QVERIFY(!CXStringEncoding::stringEncodingWithString(alphabet));
}

void tst_StringEncoding::stringByDecodingRejectsBadUtf8()
{
    const auto hex = CXStringEncoding::hexStringEncoding();
    QVERIFY(hex->stringByDecoding(QStringLiteral("FF")).isNull());
    QVERIFY(hex->stringByDecoding(QStringLiteral("E4B8")).isNull());
    QCOMPARE(hex->stringByDecoding(QStringLiteral("E4B8AD")), QStringLiteral("\u4e2d"));
}

void tst_StringEncoding::description()
{
    QCOMPARE(CXStringEncoding::rfc4648Base32StringEncoding()->description(),
             QStringLiteral("<Base32 StringEncoder: ABCDEFGHIJKLMNOPQRSTUVWXYZ234567>"));
    QCOMPARE(CXStringEncoding::hexStringEncoding()->description(),
             QStringLiteral("<Base16 StringEncoder: 0123456789ABCDEF>"));
}

QTEST_APPLESS_MAIN(tst_StringEncoding)
#include "tst_stringencoding.moc"
