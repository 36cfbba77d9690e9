#include "CXStringEncoding.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

std::unique_ptr<CXStringEncoding> codecNamed(const QString &name)
{
    using Factory = std::unique_ptr<CXStringEncoding> (*)();
    static const QHash<QString, Factory> factories {
        {"binary", &CXStringEncoding::binaryStringEncoding},
        {"hex", &CXStringEncoding::hexStringEncoding},
        {"base32", &CXStringEncoding::rfc4648Base32StringEncoding},
        {"base32hex", &CXStringEncoding::rfc4648Base32HexStringEncoding},
        {"crockford", &CXStringEncoding::crockfordBase32StringEncoding},
        {"base64", &CXStringEncoding::rfc4648Base64StringEncoding},
        {"websafe", &CXStringEncoding::rfc4648Base64WebsafeStringEncoding}};
    return factories.value(name)();
}

struct Row
{
    const char *tag, *codec, *text, *bytes;
};

void addRows(std::initializer_list<Row> rows)
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    for (const Row &r : rows)
        QTest::newRow(r.tag) << r.codec << QString::fromUtf8(r.text) << QByteArray(r.bytes);
}

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
    void invalidAlphabet_data();
    void invalidAlphabet();
    void stringByDecodingNeedsUtf8();
};

void tst_StringEncoding::decodeValid_data()
{
    addRows({{"base32 padded", "base32", "MY======", "f"},
             {"base32 padding count unchecked", "base32", "MY=", "f"},
             {"base32hex", "base32hex", "CPNMUOJ1E8======", "foobar"},
             {"hex either case", "hex", "666f6F", "foo"},
             {"hex zero half byte", "hex", "0", ""},
             {"crockford", "crockford", "CSQPY", "foo"},
             {"crockford synonyms", "crockford", "csqpy", "foo"},
             {"crockford 1O and lo", "crockford", "1Olo", "\x08\x02"},
             {"binary", "binary", "01100110", "f"},
             {"websafe", "websafe", "-_8=", "\xfb\xff"}});
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
    addRows({{"data after padding", "base32", "MY=A", ""},
             {"one bits left over", "base32", "MZ", ""},
             {"case not folded", "base32", "my======", ""},
             {"non-ASCII", "base32", "MY\u00e9", ""},
             {"hex bad digit", "hex", "6G", ""},
             {"hex bits left", "hex", "F", ""},
             {"binary 2", "binary", "2", ""},
             {"base64 bits left", "base64", "Zh==", ""},
             {"websafe plus", "websafe", "+/8=", ""},
             {"crockford U", "crockford", "U", ""}});
}

void tst_StringEncoding::decodeInvalid()
{
    QFETCH(QString, codec);
    QFETCH(QString, text);
    QVERIFY(codecNamed(codec)->decode(text).isNull());
}

void tst_StringEncoding::encode_data()
{
    addRows({{"base32 f", "base32", "MY======", "f"},
             {"base32hex foobar", "base32hex", "CPNMUOJ1E8======", "foobar"},
             {"hex", "hex", "01FF", "\x01\xff"},
             {"base64", "base64", "Zm9vYg==", "foob"},
             {"binary", "binary", "00000101", "\x05"},
             {"crockford", "crockford", "CSQPY", "foo"},
             {"empty", "base32", "", ""}});
}

void tst_StringEncoding::encode()
{
    QFETCH(QString, codec);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codecNamed(codec)->encode(bytes), text);
}

void tst_StringEncoding::roundTrip_data()
{
    QTest::addColumn<QString>("codec");
    for (const char *name :
         {"binary", "hex", "base32", "base32hex", "crockford", "base64", "websafe"})
        QTest::newRow(name) << name;
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
        QCOMPARE(encoding->decode(encoding->encode(bytes)), bytes);
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

void tst_StringEncoding::stringByDecodingNeedsUtf8()
{
    const auto hex = CXStringEncoding::hexStringEncoding();
    QCOMPARE(hex->stringByDecoding(hex->encodeString(QStringLiteral("\u4e2d"))),
             QStringLiteral("\u4e2d"));
    QVERIFY(hex->stringByDecoding(QStringLiteral("FF")).isNull());
    QVERIFY(hex->stringByDecoding(QStringLiteral("E4B8")).isNull());
}

QTEST_APPLESS_MAIN(tst_StringEncoding)
#include "tst_stringencoding.moc"
