#include "HOTPAuthURL.h"
#include "HOTPGenerator.h"
#include "NotificationCenter.h"
#include "TOTPAuthURL.h"
#include "TOTPGenerator.h"

#include <QtTest>

static const QByteArray foo("foo"); // "MZXW6" in Base32

class tst_OTPAuthURL : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What an account writes back shows its name, type, algorithm, digits, whole
    // period and counter whenever they differ from the defaults; "" is no secret.
    void parseValid_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("secret");
        QTest::addColumn<QString>("writtenBack");
        const char *rows[][4] = {
            {"defaults, secret passed", "otpauth://totp/12345?", "k", "totp/12345?"},
            {"passed secret wins", "otpauth://totp/a?secret=0", "k", "totp/a?"},
            {"period 30.9", "otpauth://totp/a?secret=MZXW6&period=30.9", "", "totp/a?period=30"},
            {"digits 8x", "otpauth://totp/a?digits=8x&secret=MZXW6", "", "totp/a?digits=8"},
            {"all non-defaults",
             "otpauth://totp/a?secret=MZXW6&algorithm=SHA512&digits=8&period=300", "",
             "totp/a?algorithm=SHA512&digits=8&period=300"},
            {"escaped name", "otpauth://totp/a%20b%2Fc?secret=mzx%20w-6", "", "totp/a%20b%2Fc?"},
            {"hotp counter saturates", "otpauth://hotp/a?secret=MZXW6&counter=18446744073709551616",
             "", "hotp/a?counter=18446744073709551615"},
            {"hotp MD5", "otpauth://hotp/a?secret=MZXW6&counter=0&algorithm=MD5", "",
             "hotp/a?algorithm=MD5&counter=0"},
            {"older form ignores passed secret", "totp://u@h#MZXW6", "ignored", "totp/u%40h?"},
            {"older form keeps host case", "totp://u@Host#MZXW6", "", "totp/u%40Host?"},
            {"BOM: another key", "otpauth://totp/a?secret=MZXW6&%EF%BB%BFdigits=8", "", "totp/a?"}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[1] << (*row[2] ? QByteArray(row[2]) : QByteArray())
                                  << "otpauth://" + QString::fromLatin1(row[3]);
    }

    void parseValid()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, secret);
        const auto account = OTPAuthURL::authURLWithURL(url, secret);
        QVERIFY(account);
        const bool fromUrl = secret.isNull() || url.startsWith(QLatin1String("totp:"));
        QCOMPARE(account->generator()->secret(), fromUrl ? foo : secret);
        QTEST(account->url().toString(QUrl::FullyEncoded), "writtenBack");
        QCOMPARE(bool(qobject_cast<TOTPAuthURL *>(account.get())), url.contains("totp"));
    }

    // The older form ignores a passed secret, so it gets one; the last row is empty.
    void parseInvalid_data()
    {
        QTest::addColumn<QString>("url");
        const QString urls = QStringLiteral(
            "otpauth://totp/?secret=MZXW6 otpauth://TOTP/a?secret=MZXW6 "
            "OTPAUTH://totp/a?secret=MZXW6 otpauth://totp/a?secret=MZXW6=== "
            "otpauth://totp/a?secret=B otpauth://totp/a?secret=MZXW0 otpauth://totp/a?period=30 "
            "otpauth://totp/a?Secret=MZXW6 otpauth://totp/a?secret=MZXW6&algorithm=sha1 "
            "otpauth://totp/a?secret=MZXW6&digits=5 "
            "otpauth://totp/a?secret=MZXW6&digits=4294967302 "
            "otpauth://totp/a?secret=MZXW6&period=0 otpauth://totp/a?secret=MZXW6&period=301 "
            "otpauth://hotp/a?secret=MZXW6 otpauth://hotp/a?secret=MZXW6&counter=5a "
            "otpauth://totp/a%ZZ?secret=MZXW6 otpauth://totp/%FF?secret=MZXW6 totp://%FF@h#MZXW6 "
            "totp://h#MZXW6 totp://u@h otpauth://totp/a?secret=MZXW6&algorithm=%EF%BB%BFSHA256 ");
        for (const QString &url : urls.split(u' '))
            QTest::newRow(qPrintable(url)) << url;
    }

    void parseInvalid()
    {
        QFETCH(QString, url);
        const bool olderForm = !url.startsWith(QLatin1String("otpauth:"));
        QVERIFY(!OTPAuthURL::authURLWithURL(url, olderForm ? QByteArray("k") : QByteArray()));
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
        QCOMPARE(hotp->url().toString(QUrl::FullyEncoded), "otpauth://hotp/a?counter=6");
    }
};

QTEST_GUILESS_MAIN(tst_OTPAuthURL)
#include "tst_otpauthurl.moc"
