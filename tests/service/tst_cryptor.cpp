#include "CXHash.h"
#include "CryptorTools.h"
#include "DataRow.h"
#include "KLCryptor.h"

#include <QtTest>

using Tool = CryptorTools *(*)();
Q_DECLARE_METATYPE(Tool)

namespace {
// What the openssl command-line tool makes of the same cipher, key and IV.
QByteArray opensslEnc(const QString &cipher, const QByteArray &key, const QVariant &iv,
                      const QByteArray &data)
{
    QStringList args {"enc", "-" + cipher, "-nosalt", "-K", key.toHex()};
    if (iv.isValid())
        args << "-iv" << iv.toByteArray().toHex();
    if (cipher.startsWith("des"))
        args += {"-provider", "legacy", "-provider", "default"};
    QProcess openssl;
    openssl.start("openssl", args);
    openssl.write(data);
    openssl.closeWriteChannel();
    return openssl.waitForFinished() && openssl.exitCode() == 0 ? openssl.readAllStandardOutput()
                                                                : "openssl failed";
}
} // namespace

class tst_Cryptor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rsa_data()
    {
        using K = KLCryptor;
        QTest::addColumn<Tool>("publicTool");
        QTest::addColumn<Tool>("privateTool");
        QTest::newRow("m") << &K::m_getRSAPublicTool << &K::m_getRSAPrivateTool;
        QTest::newRow("app") << &K::app_getRSAPublicTool << &K::app_getRSAPrivateTool;
        QTest::newRow("Pellin") << &K::Pellin_getRSAPublicTool << &K::Pellin_getRSAPrivateTool;
    }

    void rsa()
    {
        QFETCH(Tool, publicTool);
        QFETCH(Tool, privateTool);
        const QString key = QStringLiteral("13800138000&012345");
        const QString first = publicTool()->RSAEncryptString(key);
        const QString second = publicTool()->RSAEncryptString(key);
        QVERIFY(first != second); // random padding
        QCOMPARE(privateTool()->RSADecryptString(first), key);
        QCOMPARE(publicTool()->RSAEncryptData(QByteArray(245, 'x')).size(), 256);
        QVERIFY(publicTool()->RSAEncryptData(QByteArray(246, 'x')).isNull());
        const QByteArray block = publicTool()->RSAEncryptData("\xff\xfe");
        QCOMPARE(privateTool()->RSADecryptData(block), QByteArray("\xff\xfe"));
        QVERIFY(privateTool()->RSADecryptString(block.toBase64()).isNull()); // not UTF-8
        QVERIFY(privateTool()->RSADecryptData(block.chopped(1)).isNull());
    }

    void rsaWithoutKey()
    {
        CryptorTools tool;
        tool.loadPublicKeyWithFilePath(KLCryptor::resourcePath("m_private_key", "p12"));
        tool.loadPrivateKey(KLCryptor::resourcePath("m_private_key", "p12"), "wrong");
        QVERIFY(!tool.hasPublicKey() && !tool.hasPrivateKey());
        QVERIFY(tool.RSAEncryptString("1&2").isNull());
    }

    void symmetric_data()
    {
        QTest::addColumn<int>("algorithm");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("iv");
        QTest::addColumn<QString>("cipher"); // openssl's name
        dataRow("AES, 3-character key, ECB", 0, "abc", QVariant(), "aes-128-ecb");
        dataRow("AES CBC, short IV", 0, "k", QVariant("iv"), "aes-128-cbc");
        dataRow("DES CBC, key and IV cut at 8", 1, "0123456789", QVariant("abcdefghij"), "des-cbc");
    }

    void symmetric()
    {
        QFETCH(int, algorithm);
        QFETCH(QString, key);
        QFETCH(QVariant, iv);
        QFETCH(QString, cipher);
        const QByteArray data = "sixteen byte blksixteen byte blk";
        // The key text cut or zero-padded to the cipher's key length.
        const QByteArray rawKey = key.toUtf8().leftJustified(algorithm == 0 ? 16 : 8, 0, true);
        const auto ivBytes = iv.isValid() ? std::optional(iv.toByteArray()) : std::nullopt;
        const QByteArray encrypted = CryptorTools::CCCryptData(data, algorithm, 0, key, ivBytes);
        QCOMPARE(encrypted, opensslEnc(cipher, rawKey, iv, data));
        QCOMPARE(CryptorTools::CCCryptData(encrypted, algorithm, 1, key, ivBytes), data);
        if (cipher.endsWith("ecb")) // equal blocks stay equal
            QCOMPARE(encrypted.left(16), encrypted.mid(16, 16));
    }

    void wrongKey()
    {
        const QString encrypted = CryptorTools::AESEncryptString("merchant", "right");
        QCOMPARE(CryptorTools::AESDecryptString(encrypted, "right"), "merchant");
        QTest::ignoreMessage(QtWarningMsg, "[错误] 加密或解密失败 | 状态编码: -4304");
        QVERIFY(CryptorTools::AESDecryptString(encrypted, "wrong").isNull());
        QTest::ignoreMessage(QtWarningMsg, "[错误] 加密或解密失败 | 状态编码: -4303");
        QVERIFY(CryptorTools::DESDecryptData("a block+1", "k").isNull());
    }

    // Digests of "abc"; HMACs of RFC 2202 and RFC 4231, test case 2.
    void hash_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        const QString abc = QStringLiteral("abc");
        const QString nothing = QStringLiteral("what do ya want for nothing?");
        dataRow("md5", CXHash::md5String(abc), "900150983cd24fb0d6963f7d28e17f72");
        dataRow("sha1 up to NUL", CXHash::sha1String(QString::fromLatin1("abc\0def", 7)),
                "a9993e364706816aba3e25717850c26c9cd0d89d");
        dataRow("sha1_base64", CXHash::sha1_base64(abc), "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
        dataRow("base64, lossy ASCII", CXHash::base64("\u00e9bc"), "P2Jj");
        dataRow("hmac md5", CXHash::hmacMD5StringWithKey(nothing, "Jefe"),
                "750c783e6ab0b503eaa86e310a5db738");
        dataRow("hmac sha1", CXHash::hmacSHA1StringWithKey(nothing, "Jefe"),
                "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
        dataRow("hmac sha256", CXHash::hmacSHA256StringWithKey(nothing, "Jefe"),
                "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
        dataRow(
            "hmac sha512", CXHash::hmacSHA512StringWithKey(nothing, "Jefe"),
            "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d0"
            "34f65f8f0e6fdcaeab1a34d4a6b4b636e070a38bce737");
    }

    void hash()
    {
        QFETCH(QString, result);
        QTEST(result, "expected");
    }

    void fileHash()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("empty")).open(QIODevice::WriteOnly);
        QCOMPARE(CXHash::fileSHA1Hash(dir.filePath("empty")),
                 "da39a3ee5e6b4b0d3255bfef95601890afd80709");
        QVERIFY(CXHash::fileSHA1Hash(dir.filePath("missing")).isNull());
        QVERIFY(CXHash::fileMD5Hash(dir.path()).isNull()); // a folder reads as an error
    }
};

QTEST_APPLESS_MAIN(tst_Cryptor)
#include "tst_cryptor.moc"
