#include "Clock.h"
#include "NotificationCenter.h"
#include "OTPOffsetSource.h"
#include "TOTPAuthURL.h"

#include <QtTest>

namespace {

// A whole number of 180- and 30-second periods.
constexpr double base = 180.0 * 10000000;

// Records what an account announces, one entry per tick: "-" for nothing,
// "N" for a new code, "W<n>" for a warning with n seconds left.
class Recorder : public QObject
{
public:
    explicit Recorder(const OTPAuthURL *account)
    {
        NotificationCenter &center = NotificationCenter::defaultCenter();
        center.addObserver(this, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification, account,
                           [this](const Notification &) { m_event += QLatin1Char('N'); });
        center.addObserver(
            this, OTPAuthURL::OTPAuthURLWillGenerateNewOTPWarningNotification, account,
            [this](const Notification &note) {
                m_event += QLatin1Char('W')
                    + note.userInfo.value(OTPAuthURL::OTPAuthURLSecondsBeforeNewOTP).toString();
            });
    }

    QString tickAt(double deviceTime)
    {
        m_event.clear();
        Clock::setFixedTime(deviceTime);
        NotificationCenter::defaultCenter().postNotification(
            TOTPAuthURL::TOTPAuthURLTimerNotification, TOTPAuthURL::classToken());
        return m_event.isEmpty() ? QStringLiteral("-") : m_event;
    }

    // Everything announced since the last tickAt().
    QString seen() const { return m_event; }

private:
    QString m_event;
};

std::unique_ptr<OTPAuthURL> accountFrom(const QString &source)
{
    if (source == QLatin1String("secret"))
        return TOTPAuthURL::initWithSecret(QByteArray("foo"), QStringLiteral("a"));
    return OTPAuthURL::authURLWithURL(source);
}

} // namespace

class tst_TOTPTick : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        Clock::clearFixedTime();
        OTPOffsetSource::setProvider({});
    }

    void notifications_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<double>("offset");
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<QStringList>("events");

        const QString app = QStringLiteral("otpauth://totp/a?secret=MZXW6");
        QTest::newRow("warning at 176 carries 4, new code at 0")
            << app << 0.0 << QList<double> {174, 175, 176, 177, 179, 180, 181, 356}
            << QStringList {"-", "-", "W4", "-", "-", "N", "-", "W4"};
        QTest::newRow("made from a secret: first tick announces")
            << "secret" << 0.0 << QList<double> {50, 51, 176, 180}
            << QStringList {"N", "-", "W4", "N"};
        QTest::newRow("made from a secret: first tick on a boundary")
            << "secret" << 0.0 << QList<double> {0, 1} << QStringList {"N", "-"};
        QTest::newRow("fraction is truncated")
            << app << 0.0 << QList<double> {175.9, 176.0, 179.99, 180.0}
            << QStringList {"-", "W4", "-", "N"};
        QTest::newRow("30-second period")
            << app + "&period=30" << 0.0 << QList<double> {25, 26, 29, 30}
            << QStringList {"-", "W4", "-", "N"};
        QTest::newRow("offset corrects the device time")
            << app << 5.5 << QList<double> {170.0, 170.5, 174.5} << QStringList {"-", "W4", "N"};
        QTest::newRow("clock set back a period announces the older code")
            << app << 0.0 << QList<double> {200, 20} << QStringList {"-", "N"};
        QTest::newRow("an offset that is no number reads as none")
            << app << qQNaN() << QList<double> {176, 180} << QStringList {"W4", "N"};
        QTest::newRow("period under a second is silent")
            << app + "&period=0.5" << 0.0 << QList<double> {0, 0.5, 1, 2}
            << QStringList {"-", "-", "-", "-"};
        // No times: the real timer, which has to be re-armed each time it fires.
        QTest::newRow("real tick through two boundaries")
            << app + "&period=2" << 0.0 << QList<double> {} << QStringList {"N", "N"};
    }

    void notifications()
    {
        QFETCH(QString, source);
        QFETCH(double, offset);
        QFETCH(QList<double>, times);
        QFETCH(QStringList, events);
        OTPOffsetSource::setProvider([offset] { return offset; });
        const auto account = accountFrom(source);
        QVERIFY(account);
        Recorder recorder(account.get());
        if (times.isEmpty()) {
            Clock::clearFixedTime();
            QTRY_VERIFY_WITH_TIMEOUT(recorder.seen().count(u'N') >= events.size(), 7000);
            return;
        }
        QStringList seen;
        for (double t : times)
            seen.append(recorder.tickAt(base + t));
        QCOMPARE(seen, events);
    }
};

QTEST_GUILESS_MAIN(tst_TOTPTick)
#include "tst_totptick.moc"
