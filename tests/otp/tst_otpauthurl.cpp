#include "HOTPAuthURL.h"
#include "HOTPGenerator.h"
#include "NotificationCenter.h"
#include "TOTPAuthURL.h"
#include "TOTPGenerator.h"

#include <QRegularExpression>
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
    void parseValid_data();
    void parseValid();
    void parseInvalid_data();
    void parseInvalid();
    void base32_data();
    void base32();
    void hotpNextCode();
    void constructorsNeedGeneratorAndName();
    void checkCodeAndDescription();
};

void tst_OTPAuthURL::parseValid_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<bool>("timeBased");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<unsigned>("digits");
    QTest::addColumn<double>("periodOrCounter");
    QTest::addColumn<QString>("writtenBack");

    const QByteArray none;
    QTest::newRow("defaults, secret passed")
        << "otpauth://totp/12345?" << QByteArray("k") << true << "12345"
        << "SHA1" << 6u << 180.0 << "otpauth://totp/12345?";
    QTest::newRow("passed secret wins over the URL's")
        << "otpauth://totp/a?secret=0" << QByteArray("k") << true << "a"
        << "SHA1" << 6u << 180.0 << "otpauth://totp/a?";
    QTest::newRow("SHA256") << "otpauth://totp/a?secret=MZXW6&algorithm=SHA256" << none << true
                            << "a"
                            << "SHA256" << 6u << 180.0 << "otpauth://totp/a?algorithm=SHA256";
    QTest::newRow("period 30") << "otpauth://totp/a?secret=MZXW6&period=30" << none << true << "a"
                               << "SHA1" << 6u << 30.0 << "otpauth://totp/a?period=30";
    QTest::newRow("period 30.9 written whole")
        << "otpauth://totp/a?secret=MZXW6&period=30.9" << none << true << "a"
        << "SHA1" << 6u << 30.9 << "otpauth://totp/a?period=30";
    QTest::newRow("first digits wins")
        << "otpauth://totp/a?secret=MZXW6&digits=7&digits=8" << none << true << "a"
        << "SHA1" << 7u << 180.0 << "otpauth://totp/a?digits=7";
    QTest::newRow("digits leading number")
        << "otpauth://totp/a?digits=8x&secret=MZXW6" << none << true << "a"
        << "SHA1" << 8u << 180.0 << "otpauth://totp/a?digits=8";
    QTest::newRow("all non-defaults")
        << "otpauth://totp/a?secret=MZXW6&algorithm=SHA512&digits=8&period=300" << none << true
        << "a"
        << "SHA512" << 8u << 300.0 << "otpauth://totp/a?algorithm=SHA512&digits=8&period=300";
    QTest::newRow("escaped name") << "otpauth://totp/a%20b%2Fc?secret=MZXW6" << none << true
                                  << "a b/c"
                                  << "SHA1" << 6u << 180.0 << "otpauth://totp/a%20b%2Fc?";
    QTest::newRow("secret folded and spaced")
        << "otpauth://totp/a?secret=mzx%20w-6" << none << true << "a"
        << "SHA1" << 6u << 180.0 << "otpauth://totp/a?";
    QTest::newRow("hotp counter 5")
        << "otpauth://hotp/a?secret=MZXW6&counter=5" << none << false << "a"
        << "SHA1" << 6u << 5.0 << "otpauth://hotp/a?counter=5";
    QTest::newRow("hotp MD5") << "otpauth://hotp/a?secret=MZXW6&counter=0&algorithm=MD5" << none
                              << false << "a"
                              << "MD5" << 6u << 0.0 << "otpauth://hotp/a?algorithm=MD5&counter=0";
    QTest::newRow("older form") << "totp://u@h#MZXW6" << QByteArray("ignored") << true << "u@h"
                                << "SHA1" << 6u << 180.0 << "otpauth://totp/u%40h?";
    QTest::newRow("older form keeps host case")
        << "totp://u@Host#MZXW6" << none << true << "u@Host"
        << "SHA1" << 6u << 180.0 << "otpauth://totp/u%40Host?";
}

void tst_OTPAuthURL::parseValid()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, secret);
    QFETCH(bool, timeBased);
    QFETCH(QString, name);
    QFETCH(QString, algorithm);
    QFETCH(unsigned, digits);
    QFETCH(double, periodOrCounter);
    QFETCH(QString, writtenBack);

    const auto account = OTPAuthURL::authURLWithURL(url, secret);
    QVERIFY(account);
    QCOMPARE(account->name(), name);
    QCOMPARE(account->generator()->algorithm(), algorithm);
    QCOMPARE(account->generator()->digits(), digits);
    const bool fromUrl = secret.isNull() || url.startsWith(QLatin1String("totp:"));
    QCOMPARE(account->generator()->secret(), fromUrl ? foo : secret);
    QCOMPARE(written(*account), writtenBack);
    if (timeBased) {
        auto *totp = qobject_cast<TOTPAuthURL *>(account.get());
        QVERIFY(totp);
        QCOMPARE(totp->totpGenerator()->period(), periodOrCounter);
        QCOMPARE(totp->otpCode(), totp->totpGenerator()->generateOTPForDate(std::nullopt));
    } else {
        auto *hotp = qobject_cast<HOTPAuthURL *>(account.get());
        QVERIFY(hotp);
        QCOMPARE(double(hotp->hotpGenerator()->counter()), periodOrCounter);
        QCOMPARE(hotp->otpCode(),
                 hotp->generator()->generateOTPForCounter(quint64(periodOrCounter)));
    }
    // What is written reads back as the same account.
    const auto again = OTPAuthURL::authURLWithURL(writtenBack, account->generator()->secret());
    QVERIFY(again);
    QCOMPARE(written(*again), writtenBack);
    QCOMPARE(again->name(), name);
}

void tst_OTPAuthURL::parseInvalid_data()
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
        {"unknown type", "otpauth://xotp/a?secret=MZXW6", false},
        {"padded secret", "otpauth://totp/a?secret=MZXW6===", false},
        {"no secret", "otpauth://totp/a?period=30", false},
        {"Secret key case", "otpauth://totp/a?Secret=MZXW6", false},
        {"lower-case algorithm", "otpauth://totp/a?secret=MZXW6&algorithm=sha1", false},
        {"5 digits", "otpauth://totp/a?secret=MZXW6&digits=5", false},
        {"digits not a number", "otpauth://totp/a?secret=MZXW6&digits=six", false},
        {"negative digits", "otpauth://totp/a?secret=MZXW6&digits=-6", false},
        {"huge digits", "otpauth://totp/a?secret=MZXW6&digits=4294967302", false},
        {"period 0", "otpauth://totp/a?secret=MZXW6&period=0", false},
        {"period 301", "otpauth://totp/a?secret=MZXW6&period=301", false},
        {"period not a number", "otpauth://totp/a?secret=MZXW6&period=x", false},
        {"hotp without counter", "otpauth://hotp/a?secret=MZXW6", false},
        {"hotp empty counter", "otpauth://hotp/a?secret=MZXW6&counter=", false},
        {"hotp counter with letter", "otpauth://hotp/a?secret=MZXW6&counter=5a", false},
        {"bad escape in name", "otpauth://totp/a%ZZ?secret=MZXW6", false},
        {"older form without user", "totp://h#MZXW6", false},
        {"older form without secret", "totp://u@h", true},
        {"older form bad secret", "totp://u@h#MZXW6=", false},
        {"empty", "", true},
    };
    for (const auto &row : rows)
        QTest::newRow(row.tag) << row.url << (row.passSecret ? QByteArray("k") : QByteArray());
}

void tst_OTPAuthURL::parseInvalid()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, secret);
    QVERIFY(!OTPAuthURL::authURLWithURL(url, secret));
}

void tst_OTPAuthURL::base32_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("upper") << "MY" << QByteArray("f");
    QTest::newRow("lower") << "my" << QByteArray("f");
    QTest::newRow("space") << "m y" << QByteArray("f");
    QTest::newRow("hyphen") << "M-Y" << QByteArray("f");
    QTest::newRow("padding refused") << "MY======" << QByteArray();
    QTest::newRow("one bit left") << "B" << QByteArray();
}

void tst_OTPAuthURL::base32()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QByteArray decoded = OTPAuthURL::base32Decode(text);
    QCOMPARE(decoded.isNull(), bytes.isNull());
    QCOMPARE(decoded, bytes);
    if (!bytes.isNull())
        QCOMPARE(OTPAuthURL::encodeBase32(bytes), QStringLiteral("MY"));
}

void tst_OTPAuthURL::hotpNextCode()
{
    auto account = OTPAuthURL::authURLWithURL("otpauth://hotp/a?secret=MZXW6&counter=5");
    auto *hotp = qobject_cast<HOTPAuthURL *>(account.get());
    QVERIFY(hotp);
    const auto generator = hotp->generator();
    QCOMPARE(hotp->otpCode(), generator->generateOTPForCounter(5));

    QObject observer;
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(
        &observer, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification, hotp,
        [&posted](const Notification &) { ++posted; });
    hotp->generateNextOTPCode();
    QCOMPARE(posted, 1);
    QCOMPARE(hotp->otpCode(), generator->generateOTPForCounter(6));
    QCOMPARE(written(*hotp), QStringLiteral("otpauth://hotp/a?counter=6"));
}

void tst_OTPAuthURL::constructorsNeedGeneratorAndName()
{
    std::shared_ptr<TOTPGenerator> totp = TOTPGenerator::initWithSecret(foo, "SHA1", 6, 180);
    std::shared_ptr<HOTPGenerator> hotp = HOTPGenerator::initWithSecret(foo, "SHA1", 6, 1);
    QVERIFY(!TOTPAuthURL::initWithOTPGenerator(nullptr, "a"));
    QVERIFY(!TOTPAuthURL::initWithOTPGenerator(totp, QString()));
    QVERIFY(TOTPAuthURL::initWithOTPGenerator(totp, QLatin1String("")));
    QVERIFY(!HOTPAuthURL::initWithOTPGenerator(nullptr, "a"));
    QVERIFY(!HOTPAuthURL::initWithOTPGenerator(hotp, QString()));
    QVERIFY(!TOTPAuthURL::initWithSecret(QByteArray(), "a"));

    const auto byDefault = HOTPAuthURL::initWithSecret(foo, "a");
    QVERIFY(byDefault);
    QCOMPARE(byDefault->otpCode(), byDefault->generator()->generateOTPForCounter(1));
    QCOMPARE(written(*byDefault), QStringLiteral("otpauth://hotp/a?counter=1"));
}

void tst_OTPAuthURL::checkCodeAndDescription()
{
    const auto account = TOTPAuthURL::initWithSecret(foo, "13800000000");
    QCOMPARE(account->checkCode(), account->generator()->generateOTPForCounter(0));
    QVERIFY(account->keychainItemRef().isNull());
    const QRegularExpression form(
        QStringLiteral("^<TOTPAuthURL 0x[0-9a-f]+> Name: 13800000000 ref: 0x0 checkCode: \\d{6}$"));
    QVERIFY2(form.match(account->description()).hasMatch(), qPrintable(account->description()));
    account->setKeychainItemRef(QByteArray("ref"));
    QVERIFY(!account->description().contains(QLatin1String("ref: 0x0 ")));
}

QTEST_GUILESS_MAIN(tst_OTPAuthURL)
#include "tst_otpauthurl.moc"
