#include "Clock.h"
#include "HOTPGenerator.h"
#include "OTPOffsetSource.h"
#include "TOTPGenerator.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

namespace {

const QByteArray rfcKey20("12345678901234567890");
const QByteArray rfcKey32("12345678901234567890123456789012");
const QByteArray rfcKey64("1234567890123456789012345678901234567890123456789012345678901234");

// An independent HMAC (Qt's) with the same truncation rule, the window held
// inside the digest.
QString referenceCode(const QByteArray &key, const QString &algorithm, unsigned digits,
                      quint64 counter)
{
    const QHash<QString, QCryptographicHash::Algorithm> hashes {
        {"SHA1", QCryptographicHash::Sha1},
        {"SHA256", QCryptographicHash::Sha256},
        {"SHA512", QCryptographicHash::Sha512},
        {"MD5", QCryptographicHash::Md5}};
    QByteArray message(8, Qt::Uninitialized);
    qToBigEndian(counter, message.data());
    const QByteArray digest
        = QMessageAuthenticationCode::hash(message, key, hashes.value(algorithm));
    const int offset = std::min<int>(digest.back() & 0x0f, int(digest.size()) - 4);
    const quint32 value = qFromBigEndian<quint32>(digest.constData() + offset) & 0x7fffffff;
    quint32 modulus = 1;
    for (unsigned i = 0; i < digits; ++i)
        modulus *= 10;
    return QStringLiteral("%1").arg(value % modulus, int(digits), 10, QLatin1Char('0'));
}

} // namespace

class tst_OTPGenerator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void rfc4226_data();
    void rfc4226();
    void rfc6238_data();
    void rfc6238();
    void matchesReferenceHmac_data();
    void matchesReferenceHmac();
    void periodBoundaries_data();
    void periodBoundaries();
    void validConstruction_data();
    void validConstruction();
    void invalidConstruction_data();
    void invalidConstruction();
    void unknownAlgorithmAfterConstruction();
    void hotpAdvancesFirst();
    void nowReadsClockAndOffset();
};

void tst_OTPGenerator::cleanup()
{
    OTPOffsetSource::setProvider({});
    Clock::clearFixedTime();
}

void tst_OTPGenerator::rfc4226_data()
{
    QTest::addColumn<quint64>("counter");
    QTest::addColumn<QString>("code");
    const char *codes[] = {"755224", "287082", "359152", "969429", "338314",
                           "254676", "287922", "162583", "399871", "520489"};
    for (quint64 c = 0; c < 10; ++c)
        QTest::addRow("counter %llu", c) << c << QString::fromLatin1(codes[c]);
}

void tst_OTPGenerator::rfc4226()
{
    QFETCH(quint64, counter);
    QFETCH(QString, code);
    const auto generator = HOTPGenerator::initWithSecret(rfcKey20, "SHA1", 6, 0);
    QVERIFY(generator);
    QCOMPARE(generator->generateOTPForCounter(counter), code);
}

void tst_OTPGenerator::rfc6238_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("code");
    const struct
    {
        double time;
        const char *sha1, *sha256, *sha512;
    } rows[] = {{59, "94287082", "46119246", "90693936"},
                {1111111109, "07081804", "68084774", "25091201"},
                {1111111111, "14050471", "67062674", "99943326"},
                {1234567890, "89005924", "91819424", "93441116"},
                {2000000000, "69279037", "90698825", "38618901"},
                {20000000000, "65353130", "77737706", "47863826"}};
    for (const auto &row : rows) {
        QTest::addRow("SHA1 %.0f", row.time) << row.time << "SHA1" << rfcKey20 << row.sha1;
        QTest::addRow("SHA256 %.0f", row.time) << row.time << "SHA256" << rfcKey32 << row.sha256;
        QTest::addRow("SHA512 %.0f", row.time) << row.time << "SHA512" << rfcKey64 << row.sha512;
    }
}

void tst_OTPGenerator::rfc6238()
{
    QFETCH(double, time);
    QFETCH(QString, algorithm);
    QFETCH(QByteArray, key);
    QFETCH(QString, code);
    const auto generator = TOTPGenerator::initWithSecret(key, algorithm, 8, 30);
    QVERIFY(generator);
    QCOMPARE(generator->generateOTPForDate(time), code);
}

void tst_OTPGenerator::matchesReferenceHmac_data()
{
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<unsigned>("digits");
    for (const char *algorithm : {"SHA1", "SHA256", "SHA512", "MD5"}) {
        for (unsigned digits = 6; digits <= 8; ++digits)
            QTest::addRow("%s %u", algorithm, digits) << QString::fromLatin1(algorithm) << digits;
    }
}

// Random keys from empty to longer than any block (so the key is hashed
// first), random counters; MD5 reaches the clamped truncation window.
void tst_OTPGenerator::matchesReferenceHmac()
{
    QFETCH(QString, algorithm);
    QFETCH(unsigned, digits);
    QRandomGenerator random(1234 + digits);
    int clampedWindows = 0;
    for (int round = 0; round < 200; ++round) {
        QByteArray key(random.bounded(0, 200), Qt::Uninitialized);
        for (char &b : key)
            b = char(random.bounded(256));
        const quint64 counter = random.generate64() >> random.bounded(64);
        const auto generator = OTPGenerator::initWithSecret(key, algorithm, digits);
        QVERIFY(generator);
        const QString expected = referenceCode(key, algorithm, digits, counter);
        QCOMPARE(generator->generateOTPForCounter(counter), expected);
        QByteArray message(8, Qt::Uninitialized);
        qToBigEndian(counter, message.data());
        if (algorithm == QLatin1String("MD5")
            && (QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Md5).back()
                & 0x0f)
                > 12)
            ++clampedWindows;
    }
    if (algorithm == QLatin1String("MD5"))
        QVERIFY(clampedWindows > 0);
}

void tst_OTPGenerator::periodBoundaries_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("time");
    QTest::addColumn<quint64>("counter");
    QTest::newRow("epoch") << 0.0 << 0.0 << quint64(0);
    QTest::newRow("just before 180") << 0.0 << 179.999 << quint64(0);
    QTest::newRow("at 180") << 0.0 << 180.0 << quint64(1);
    QTest::newRow("offset moves boundary") << 5.5 << 174.5 << quint64(1);
    QTest::newRow("offset, just before") << 5.5 << 174.4 << quint64(0);
    QTest::newRow("offset on a past date") << 5.5 << 359.0 << quint64(2);
    QTest::newRow("negative quotient") << -100.0 << 10.0 << quint64(0);
    QTest::newRow("far future") << 0.0 << 1.0e30 << std::numeric_limits<quint64>::max();
}

void tst_OTPGenerator::periodBoundaries()
{
    QFETCH(double, offset);
    QFETCH(double, time);
    QFETCH(quint64, counter);
    OTPOffsetSource::setProvider([offset] { return offset; });
    const auto generator = TOTPGenerator::initWithSecret(rfcKey20, "SHA1", 6, 180);
    QCOMPARE(TOTPGenerator::counterForTime(time + offset, 180), counter);
    QCOMPARE(generator->generateOTPForDate(time), generator->generateOTPForCounter(counter));
}

void tst_OTPGenerator::validConstruction_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<unsigned>("digits");
    QTest::addColumn<double>("period");
    QTest::newRow("defaults") << rfcKey20 << "SHA1" << 6u << 180.0;
    QTest::newRow("8 digits MD5") << rfcKey20 << "MD5" << 8u << 30.0;
    QTest::newRow("period 300") << rfcKey20 << "SHA512" << 6u << 300.0;
    QTest::newRow("empty secret") << QByteArray("") << "SHA1" << 6u << 180.0;
}

void tst_OTPGenerator::validConstruction()
{
    QFETCH(QByteArray, secret);
    QFETCH(QString, algorithm);
    QFETCH(unsigned, digits);
    QFETCH(double, period);
    const auto totp = TOTPGenerator::initWithSecret(secret, algorithm, digits, period);
    QVERIFY(totp);
    QCOMPARE(totp->digits(), digits);
    QCOMPARE(totp->period(), period);
    QCOMPARE(totp->generateOTPForCounter(3), referenceCode(secret, algorithm, digits, 3));
    QVERIFY(HOTPGenerator::initWithSecret(secret, algorithm, digits, 0));
    QVERIFY(OTPGenerator::initWithSecret(secret, algorithm, digits));
}

void tst_OTPGenerator::invalidConstruction_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<unsigned>("digits");
    QTest::addColumn<double>("period");
    QTest::addColumn<bool>("onlyPeriod");
    QTest::newRow("lower-case name") << rfcKey20 << "sha1" << 6u << 180.0 << false;
    QTest::newRow("unknown name") << rfcKey20 << "SHA384" << 6u << 180.0 << false;
    QTest::newRow("5 digits") << rfcKey20 << "SHA1" << 5u << 180.0 << false;
    QTest::newRow("9 digits") << rfcKey20 << "SHA1" << 9u << 180.0 << false;
    QTest::newRow("no secret") << QByteArray() << "SHA1" << 6u << 180.0 << false;
    QTest::newRow("period 0") << rfcKey20 << "SHA1" << 6u << 0.0 << true;
    QTest::newRow("period 300.5") << rfcKey20 << "SHA1" << 6u << 300.5 << true;
    QTest::newRow("period -30") << rfcKey20 << "SHA1" << 6u << -30.0 << true;
    QTest::newRow("period NaN") << rfcKey20 << "SHA1" << 6u << std::nan("") << true;
}

void tst_OTPGenerator::invalidConstruction()
{
    QFETCH(QByteArray, secret);
    QFETCH(QString, algorithm);
    QFETCH(unsigned, digits);
    QFETCH(double, period);
    QFETCH(bool, onlyPeriod);
    QVERIFY(!TOTPGenerator::initWithSecret(secret, algorithm, digits, period));
    QCOMPARE(!HOTPGenerator::initWithSecret(secret, algorithm, digits, 1), !onlyPeriod);
    QCOMPARE(!OTPGenerator::initWithSecret(secret, algorithm, digits), !onlyPeriod);
}

void tst_OTPGenerator::unknownAlgorithmAfterConstruction()
{
    const auto generator = OTPGenerator::initWithSecret(rfcKey20, "SHA1", 6);
    generator->setAlgorithm("sha1");
    QVERIFY(generator->generateOTPForCounter(0).isNull());
    generator->setAlgorithm("SHA256");
    QCOMPARE(generator->generateOTPForCounter(0), referenceCode(rfcKey20, "SHA256", 6, 0));
    QVERIFY(generator->generateOTP().isNull());
    generator->setSecret(QByteArray("other"));
    QCOMPARE(generator->generateOTPForCounter(0), referenceCode("other", "SHA256", 6, 0));
}

void tst_OTPGenerator::hotpAdvancesFirst()
{
    const auto generator = HOTPGenerator::initWithSecret(rfcKey20, "SHA1", 6,
                                                         HOTPGenerator::defaultInitialCounter());
    QCOMPARE(generator->generateOTP(), QStringLiteral("359152"));
    QCOMPARE(generator->counter(), quint64(2));
    generator->setCounter(std::numeric_limits<quint64>::max());
    QCOMPARE(generator->generateOTP(), QStringLiteral("755224"));
    QCOMPARE(generator->counter(), quint64(0));
}

void tst_OTPGenerator::nowReadsClockAndOffset()
{
    const auto generator = TOTPGenerator::initWithSecret(rfcKey20, "SHA1", 8, 30);
    Clock::setFixedTime(1111111109 - 100);
    OTPOffsetSource::setProvider([] { return 100.0; });
    QCOMPARE(generator->generateOTP(), QStringLiteral("07081804"));
    OTPOffsetSource::setProvider([] { return std::numeric_limits<double>::quiet_NaN(); });
    QCOMPARE(OTPOffsetSource::offset(), 0.0);
}

QTEST_APPLESS_MAIN(tst_OTPGenerator)
#include "tst_otpgenerator.moc"
