#include "HOTPGenerator.h"
#include "OTPOffsetSource.h"
#include "TOTPGenerator.h"

#include <QtTest>

static const QByteArray rfcKey20("12345678901234567890");

class tst_OTPGenerator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { OTPOffsetSource::setProvider({}); }

    // Codes from an independent HMAC, where oathtool cannot check: MD5 digests
    // whose low nibble points past a 4-byte window at 12 (held there), and keys
    // longer than a block (hashed first).
    void counterVectors_data()
    {
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<quint64>("counter");
        QTest::addColumn<QString>("code");
        const QByteArray longKey(200, 'k');
        QTest::newRow("MD5 nibble 0") << "MD5" << rfcKey20 << quint64(1) << "532013";
        QTest::newRow("MD5 nibble 13") << "MD5" << rfcKey20 << quint64(4) << "208349";
        QTest::newRow("MD5 nibble 15") << "MD5" << rfcKey20 << quint64(0) << "671151";
        QTest::newRow("MD5 empty key") << "MD5" << QByteArray("") << quint64(7) << "0902946";
        QTest::newRow("SHA1 long key") << "SHA1" << longKey << quint64(1) << "61480740";
        QTest::newRow("SHA256 long key") << "SHA256" << longKey << quint64(1) << "41885207";
        QTest::newRow("SHA512 long key") << "SHA512" << longKey << quint64(1) << "93653064";
    }

    void counterVectors()
    {
        QFETCH(QString, algorithm);
        QFETCH(QByteArray, key);
        QFETCH(quint64, counter);
        QFETCH(QString, code);
        const auto generator
            = HOTPGenerator::initWithSecret(key, algorithm, unsigned(code.size()), 0);
        QVERIFY(generator);
        QCOMPARE(generator->generateOTPForCounter(counter), code);
    }

    void periodBoundaries_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("time");
        QTest::addColumn<quint64>("counter");
        QTest::newRow("just before 180") << 0.0 << 179.999 << quint64(0);
        QTest::newRow("at 180") << 0.0 << 180.0 << quint64(1);
        QTest::newRow("offset moves boundary") << 5.5 << 174.5 << quint64(1);
        QTest::newRow("offset, just before") << 5.5 << 174.4 << quint64(0);
        QTest::newRow("negative quotient") << -100.0 << 10.0 << quint64(0);
        QTest::newRow("far future") << 0.0 << 1.0e30 << std::numeric_limits<quint64>::max();
    }

    void periodBoundaries()
    {
        QFETCH(double, offset);
        QFETCH(double, time);
        QFETCH(quint64, counter);
        OTPOffsetSource::setProvider([offset] { return offset; });
        const auto generator = TOTPGenerator::initWithSecret(rfcKey20, "SHA1", 6, 180);
        QCOMPARE(TOTPGenerator::counterForTime(time + offset, 180), counter);
        QCOMPARE(generator->generateOTPForDate(time), generator->generateOTPForCounter(counter));
    }

    void construction_data()
    {
        QTest::addColumn<QByteArray>("secret");
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<unsigned>("digits");
        QTest::addColumn<double>("period");
        QTest::addColumn<bool>("counterBased"); // HOTP and plain generators
        QTest::addColumn<bool>("timeBased");
        QTest::newRow("defaults") << rfcKey20 << "SHA1" << 6u << 180.0 << true << true;
        QTest::newRow("8 digits MD5") << rfcKey20 << "MD5" << 8u << 30.0 << true << true;
        QTest::newRow("period 300") << rfcKey20 << "SHA512" << 7u << 300.0 << true << true;
        QTest::newRow("empty secret") << QByteArray("") << "SHA1" << 6u << 180.0 << true << true;
        QTest::newRow("no secret") << QByteArray() << "SHA1" << 6u << 180.0 << false << false;
        QTest::newRow("lower-case name") << rfcKey20 << "sha1" << 6u << 180.0 << false << false;
        QTest::newRow("unknown name") << rfcKey20 << "SHA384" << 6u << 180.0 << false << false;
        QTest::newRow("5 digits") << rfcKey20 << "SHA1" << 5u << 180.0 << false << false;
        QTest::newRow("9 digits") << rfcKey20 << "SHA1" << 9u << 180.0 << false << false;
        QTest::newRow("period 0") << rfcKey20 << "SHA1" << 6u << 0.0 << true << false;
        QTest::newRow("period 300.5") << rfcKey20 << "SHA1" << 6u << 300.5 << true << false;
    }

    void construction()
    {
        QFETCH(QByteArray, secret);
        QFETCH(QString, algorithm);
        QFETCH(unsigned, digits);
        QFETCH(double, period);
        QFETCH(bool, counterBased);
        const auto totp = TOTPGenerator::initWithSecret(secret, algorithm, digits, period);
        QTEST(bool(totp), "timeBased");
        QCOMPARE(bool(HOTPGenerator::initWithSecret(secret, algorithm, digits, 1)), counterBased);
        QCOMPARE(bool(OTPGenerator::initWithSecret(secret, algorithm, digits)), counterBased);
        if (totp)
            QCOMPARE(totp->generateOTPForCounter(3).size(), qsizetype(digits));
    }
};

QTEST_APPLESS_MAIN(tst_OTPGenerator)
#include "tst_otpgenerator.moc"
