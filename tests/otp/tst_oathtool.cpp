// Cross-checks the generators against oathtool, an implementation nobody here
// wrote: random keys, counters and times, several codes per run (--window).
#include "HOTPGenerator.h"
#include "TOTPGenerator.h"

#include <QtTest>

class tst_Oathtool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!QStandardPaths::findExecutable(QStringLiteral("oathtool")).isEmpty())
            return;
        // CI must run the cross-check; a developer without the tool may skip it.
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("oathtool is not installed (scripts/bootstrap installs it)");
        QSKIP("oathtool is not installed (scripts/bootstrap installs it)");
    }

    // Period 0 is a counter-based row (oathtool only offers SHA1 there).
    void codes_data()
    {
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<unsigned>("digits");
        QTest::addColumn<int>("period");
        for (const char *algorithm : {"SHA1", "SHA256", "SHA512"})
            for (unsigned digits = 6; digits <= 8; ++digits)
                for (int period : {0, 30, 180})
                    if (period > 0 || algorithm == QLatin1String("SHA1"))
                        QTest::addRow("%s %u %d", algorithm, digits, period)
                            << QString::fromLatin1(algorithm) << digits << period;
    }

    void codes()
    {
        QFETCH(QString, algorithm);
        QFETCH(unsigned, digits);
        QFETCH(int, period);
        constexpr int window = 4;
        QRandomGenerator random(qHash(algorithm) + digits * 1000 + uint(period));
        for (int run = 0; run < (period ? 3 : 12); ++run) {
            QByteArray key(random.bounded(1, 65), Qt::Uninitialized);
            for (char &b : key)
                b = char(random.bounded(256));
            // oathtool reads the counter as a signed 64-bit number.
            const quint64 counter = random.generate64() >> (1 + random.bounded(63));
            const qint64 time = random.bounded(qint64(0), qint64(4000000000));
            QStringList arguments {"-d", QString::number(digits), "-w", QString::number(window)};
            arguments << (period ? QStringList {"--totp=" + algorithm, "-s",
                                                QStringLiteral("%1s").arg(period), "-N",
                                                QStringLiteral("@%1").arg(time)}
                                 : QStringList {"--hotp", "-c", QString::number(counter)})
                      << key.toHex();
            QProcess process;
            process.start(QStringLiteral("oathtool"), arguments);
            QVERIFY(process.waitForFinished(10000) && process.exitCode() == 0);
            const QStringList codes = QString::fromLatin1(process.readAllStandardOutput())
                                          .split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(codes.size(), window + 1);
            const auto totp
                = TOTPGenerator::initWithSecret(key, algorithm, digits, period ? period : 30);
            const auto hotp = HOTPGenerator::initWithSecret(key, algorithm, digits, counter);
            for (int i = 0; i <= window; ++i)
                QCOMPARE(period ? totp->generateOTPForDate(double(time + qint64(i) * period))
                                : hotp->generateOTPForCounter(counter + quint64(i)),
                         codes.at(i));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Oathtool)
#include "tst_oathtool.moc"
