#include "CXStringEncoding.h"

#include <QtTest>

namespace {
using E = CXStringEncoding;
const QMap<QString, std::unique_ptr<E> (*)()> codecs {
    {"binary", &E::binaryStringEncoding},
    {"hex", &E::hexStringEncoding},
    {"base32", &E::rfc4648Base32StringEncoding},
    {"base32hex", &E::rfc4648Base32HexStringEncoding},
    {"crockford", &E::crockfordBase32StringEncoding},
    {"base64", &E::rfc4648Base64StringEncoding},
    {"websafe", &E::rfc4648Base64WebsafeStringEncoding}};
} // namespace

class tst_StringEncoding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Canonical rows are also what encoding the bytes must give; rows without
    // bytes must be refused.
    void decode_data()
    {
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("canonical");
        const struct
        {
            const char *tag, *codec, *text, *bytes;
            bool canonical;
        } rows[] = {{"base32 padded", "base32", "MY======", "f", true},
                    {"base32 padding count unchecked", "base32", "MY=", "f", false},
                    {"base32hex", "base32hex", "CPNMUOJ1E8======", "foobar", true},
                    {"hex", "hex", "01FF", "\x01\xff", true},
                    {"hex either case", "hex", "666f6F", "foo", false},
                    {"hex zero half byte", "hex", "0", "", false},
                    {"crockford", "crockford", "CSQPY", "foo", true},
                    {"crockford synonyms", "crockford", "csqpy", "foo", false},
                    {"crockford 1O and lo", "crockford", "1Olo", "\x08\x02", false},
                    {"binary", "binary", "00000101", "\x05", true},
                    {"base64", "base64", "Zm9vYg==", "foob", true},
                    {"websafe", "websafe", "-_8=", "\xfb\xff", true},
                    {"data after padding", "base32", "MY=A", nullptr, false},
                    {"one bits left over", "base32", "MZ", nullptr, false},
                    {"case not folded", "base32", "my======", nullptr, false},
                    {"non-ASCII", "base32", "MY\u00e9", nullptr, false},
                    {"hex bad digit", "hex", "6G", nullptr, false},
                    {"websafe plus", "websafe", "+/8=", nullptr, false},
                    {"crockford U", "crockford", "U", nullptr, false}};
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.codec << QString::fromUtf8(r.text) << QByteArray(r.bytes)
                                 << r.canonical;
    }

    void decode()
    {
        QFETCH(QString, codec);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, canonical);
        const auto encoding = codecs.value(codec)();
        const QByteArray decoded = encoding->decode(text);
        QCOMPARE(decoded.isNull(), bytes.isNull());
        QCOMPARE(decoded, bytes);
        if (canonical)
            QCOMPARE(encoding->encode(bytes), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("codec");
        for (const QString &name : codecs.keys())
            QTest::newRow(qPrintable(name)) << name;
    }

    void roundTrip()
    {
        QFETCH(QString, codec);
        const auto encoding = codecs.value(codec)();
        QRandomGenerator random(42);
        for (QByteArray bytes; bytes.size() < 70; bytes += char(random.bounded(256)))
            QCOMPARE(encoding->decode(encoding->encode(bytes)), bytes);
    }

    void stringByDecodingNeedsUtf8()
    {
        const auto hex = E::hexStringEncoding();
        QCOMPARE(hex->stringByDecoding(hex->encodeString(QStringLiteral("\u4e2d"))),
                 QStringLiteral("\u4e2d"));
        QVERIFY(hex->stringByDecoding(QStringLiteral("FF")).isNull());
        QCOMPARE(hex->stringByDecoding(QStringLiteral("EFBBBF61")), QStringLiteral("\ufeffa"));
        QVERIFY(hex->stringByDecoding(QStringLiteral("E4B8")).isNull());
    }
};

QTEST_APPLESS_MAIN(tst_StringEncoding)
#include "tst_stringencoding.moc"
