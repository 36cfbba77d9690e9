// Cross-checks the generators against oathtool, an implementation nobody here
// wrote: random keys, counters and times, several codes per run (--window).
#include "HOTPGenerator.h"
#include "TOTPGenerator.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>

namespace {

QByteArray randomKey(QRandomGenerator &random)
{
    QByteArray key(random.bounded(1, 65), Qt::Uninitialized);
    for (char &b : key)
        b = char(random.bounded(256));
    return key;
}

QStringList oathtool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("oathtool"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLatin1(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

constexpr int window = 4;

} // namespace

class tst_Oathtool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void hotp_data();
    void hotp();
    void totp_data();
    void totp();
};

void tst_Oathtool::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("oathtool")).isEmpty())
        QSKIP("oathtool is not installed (scripts/bootstrap installs it)");
}

void tst_Oathtool::hotp_data()
{
    QTest::addColumn<unsigned>("digits");
    for (unsigned digits = 6; digits <= 8; ++digits)
        QTest::addRow("%u digits", digits) << digits;
}

void tst_Oathtool::hotp()
{
    QFETCH(unsigned, digits);
    QRandomGenerator random(100 + digits);
    for (int run = 0; run < 15; ++run) {
        const QByteArray key = randomKey(random);
        // oathtool reads the counter as a signed 64-bit number.
        const quint64 counter = random.generate64() >> (1 + random.bounded(63));
        const QStringList codes
            = oathtool({"--hotp", "-d", QString::number(digits), "-c", QString::number(counter),
                        "-w", QString::number(window), QString::fromLatin1(key.toHex())});
        QCOMPARE(codes.size(), window + 1);
        const auto generator = HOTPGenerator::initWithSecret(key, "SHA1", digits, counter);
        for (int i = 0; i <= window; ++i)
            QCOMPARE(generator->generateOTPForCounter(counter + quint64(i)), codes.at(i));
    }
}

void tst_Oathtool::totp_data()
{
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<unsigned>("digits");
    QTest::addColumn<int>("period");
    for (const char *algorithm : {"SHA1", "SHA256", "SHA512"}) {
        for (unsigned digits = 6; digits <= 8; ++digits) {
            for (int period : {30, 180})
                QTest::addRow("%s %u %d", algorithm, digits, period)
                    << QString::fromLatin1(algorithm) << digits << period;
        }
    }
}

void tst_Oathtool::totp()
{
    QFETCH(QString, algorithm);
    QFETCH(unsigned, digits);
    QFETCH(int, period);
    QRandomGenerator random(qHash(algorithm) + digits * 1000 + uint(period));
    for (int run = 0; run < 3; ++run) {
        const QByteArray key = randomKey(random);
        const qint64 time = random.bounded(qint64(0), qint64(4000000000));
        const QStringList codes
            = oathtool({"--totp=" + algorithm, "-d", QString::number(digits), "-s",
                        QStringLiteral("%1s").arg(period), "-N", QStringLiteral("@%1").arg(time),
                        "-w", QString::number(window), QString::fromLatin1(key.toHex())});
        QCOMPARE(codes.size(), window + 1);
        const auto generator = TOTPGenerator::initWithSecret(key, algorithm, digits, period);
        for (int i = 0; i <= window; ++i)
            QCOMPARE(generator->generateOTPForDate(double(time + qint64(i) * period)), codes.at(i));
    }
}

QTEST_GUILESS_MAIN(tst_Oathtool)
#include "tst_oathtool.moc"
