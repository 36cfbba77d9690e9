#include "HOTPAuthURL.h"
#include "HOTPGenerator.h"
#include "NotificationCenter.h"
#include "TOTPAuthURL.h"
#include "TOTPGenerator.h"

#include <QtTest>

namespace {

const QByteArray foo("foo"); // "MZXW6" in Base32

QString written(const OTPAuthURL &account)
{
    return account.url().toString(QUrl::FullyEncoded);
}

} // namespace

class tst_OTPAuthURL : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What an account writes back shows its type, algorithm, digits, whole
    // period and counter whenever they differ from the defaults.
    void parseValid_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("secret");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("writtenBack");
        const struct
        {
            const char *tag, *url, *secret, *name, *writtenBack;
        } rows[] = {
            {"defaults, secret passed", "otpauth://totp/12345?", "k", "12345",
             "otpauth://totp/12345?"},
            {"passed secret wins over the URL's", "otpauth://totp/a?secret=0", "k", "a",
             "otpauth://totp/a?"},
            {"period 30.9 written whole", "otpauth://totp/a?secret=MZXW6&period=30.9", nullptr, "a",
             "otpauth://totp/a?period=30"},
            {"digits leading number", "otpauth://totp/a?digits=8x&secret=MZXW6", nullptr, "a",
             "otpauth://totp/a?digits=8"},
            {"all non-defaults",
             "otpauth://totp/a?secret=MZXW6&algorithm=SHA512&digits=8&period=300", nullptr, "a",
             "otpauth://totp/a?algorithm=SHA512&digits=8&period=300"},
            {"escaped name", "otpauth://totp/a%20b%2Fc?secret=mzx%20w-6", nullptr, "a b/c",
             "otpauth://totp/a%20b%2Fc?"},
            {"hotp counter saturates", "otpauth://hotp/a?secret=MZXW6&counter=18446744073709551616",
             nullptr, "a", "otpauth://hotp/a?counter=18446744073709551615"},
            {"hotp MD5", "otpauth://hotp/a?secret=MZXW6&counter=0&algorithm=MD5", nullptr, "a",
             "otpauth://hotp/a?algorithm=MD5&counter=0"},
            {"older form ignores passed secret", "totp://u@h#MZXW6", "ignored", "u@h",
             "otpauth://totp/u%40h?"},
            {"older form keeps host case", "totp://u@Host#MZXW6", nullptr, "u@Host",
             "otpauth://totp/u%40Host?"},
            {"byte-order mark makes another key", "otpauth://totp/a?secret=MZXW6&%EF%BB%BFdigits=8",
             nullptr, "a", "otpauth://totp/a?"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.tag)
                << row.url << QByteArray(row.secret) << row.name << row.writtenBack;
    }

    void parseValid()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, secret);
        QFETCH(QString, name);
        const auto account = OTPAuthURL::authURLWithURL(url, secret);
        QVERIFY(account);
        QCOMPARE(account->name(), name);
        const bool fromUrl = secret.isNull() || url.startsWith(QLatin1String("totp:"));
        QCOMPARE(account->generator()->secret(), fromUrl ? foo : secret);
        QTEST(written(*account), "writtenBack");
        QCOMPARE(bool(qobject_cast<TOTPAuthURL *>(account.get())), url.contains("totp"));
    }

    void parseInvalid_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("secret");
        const struct
        {
            const char *tag, *url;
            bool passSecret;
        } rows[] = {
            {"no name", "otpauth://totp/?secret=MZXW6", false},
            {"type is case-sensitive", "otpauth://TOTP/a?secret=MZXW6", false},
            {"scheme is case-sensitive", "OTPAUTH://totp/a?secret=MZXW6", false},
            {"padded secret", "otpauth://totp/a?secret=MZXW6===", false},
            {"secret with one bit left", "otpauth://totp/a?secret=B", false},
            {"secret with 0", "otpauth://totp/a?secret=MZXW0", false},
            {"no secret", "otpauth://totp/a?period=30", false},
            {"Secret key case", "otpauth://totp/a?Secret=MZXW6", false},
            {"lower-case algorithm", "otpauth://totp/a?secret=MZXW6&algorithm=sha1", false},
            {"5 digits", "otpauth://totp/a?secret=MZXW6&digits=5", false},
            {"huge digits", "otpauth://totp/a?secret=MZXW6&digits=4294967302", false},
            {"period 0", "otpauth://totp/a?secret=MZXW6&period=0", false},
            {"period 301", "otpauth://totp/a?secret=MZXW6&period=301", false},
            {"hotp without counter", "otpauth://hotp/a?secret=MZXW6", false},
            {"hotp counter with letter", "otpauth://hotp/a?secret=MZXW6&counter=5a", false},
            {"bad escape in name", "otpauth://totp/a%ZZ?secret=MZXW6", false},
            {"name not UTF-8", "otpauth://totp/%FF?secret=MZXW6", false},
            {"older form name not UTF-8", "totp://%FF@h#MZXW6", false},
            {"byte-order mark before algorithm",
             "otpauth://totp/a?secret=MZXW6&algorithm=%EF%BB%BFSHA256", false},
            {"older form without user", "totp://h#MZXW6", false},
            {"older form without secret", "totp://u@h", true},
            {"empty", "", true},
        };
        for (const auto &row : rows)
            QTest::newRow(row.tag) << row.url << (row.passSecret ? QByteArray("k") : QByteArray());
    }

    void parseInvalid()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, secret);
        QVERIFY(!OTPAuthURL::authURLWithURL(url, secret));
    }

    // Codes from oathtool --hotp over the key "foo".
    void hotpNextCode()
    {
        auto account = OTPAuthURL::authURLWithURL("otpauth://hotp/a?secret=MZXW6&counter=5");
        auto *hotp = qobject_cast<HOTPAuthURL *>(account.get());
        QVERIFY(hotp);
        QCOMPARE(hotp->otpCode(), QStringLiteral("883747"));
        QCOMPARE(hotp->checkCode(), QStringLiteral("937425"));
        QObject observer;
        int posted = 0;
        NotificationCenter::defaultCenter().addObserver(
            &observer, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification, hotp,
            [&posted](const Notification &) { ++posted; });
        hotp->generateNextOTPCode();
        QCOMPARE(posted, 1);
        QCOMPARE(hotp->otpCode(), QStringLiteral("297342"));
        QCOMPARE(written(*hotp), QStringLiteral("otpauth://hotp/a?counter=6"));
    }
};

QTEST_GUILESS_MAIN(tst_OTPAuthURL)
#include "tst_otpauthurl.moc"
