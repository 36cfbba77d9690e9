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
struct Recorder : QObject
{
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

    QString m_event; // everything announced since the last tickAt()
};

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

    // Each step of the script is a device time (seconds past a whole number of
    // periods) and what that tick announces.
    void notifications_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<double>("offset");
        QTest::addColumn<QString>("script");
        const QString app = QStringLiteral("otpauth://totp/a?secret=MZXW6");
        QTest::newRow("warning at 176 carries 4, new code at 0")
            << app << 0.0 << "174:- 175:- 176:W4 177:- 179:- 180:N 181:- 356:W4";
        QTest::newRow("from a secret: first tick") << "secret" << 0.0 << "50:N 51:- 176:W4 180:N";
        QTest::newRow("from a secret: on a boundary") << "secret" << 0.0 << "0:N 1:-";
        QTest::newRow("fraction is truncated") << app << 0.0 << "175.9:- 176:W4 179.99:- 180:N";
        QTest::newRow("30-second period") << app + "&period=30" << 0.0 << "25:- 26:W4 29:- 30:N";
        QTest::newRow("offset corrects the device time") << app << 5.5 << "170:- 170.5:W4 174.5:N";
        QTest::newRow("clock set back: older code") << app << 0.0 << "200:- 20:N";
        QTest::newRow("NaN offset reads as none") << app << qQNaN() << "176:W4 180:N";
        QTest::newRow("under a second: silent")
            << app + "&period=0.5" << 0.0 << "0:- 0.5:- 1:- 2:-";
        // No script: the real timer, which has to be re-armed each time it fires.
        QTest::newRow("real tick through two boundaries") << app + "&period=2" << 0.0 << "";
    }

    void notifications()
    {
        QFETCH(QString, source);
        QFETCH(double, offset);
        QFETCH(QString, script);
        OTPOffsetSource::setProvider([offset] { return offset; });
        std::unique_ptr<OTPAuthURL> account = OTPAuthURL::authURLWithURL(source);
        if (source == "secret")
            account = TOTPAuthURL::initWithSecret("foo", "a");
        QVERIFY(account);
        Recorder recorder(account.get());
        if (script.isEmpty()) {
            Clock::clearFixedTime();
            QTRY_VERIFY_WITH_TIMEOUT(recorder.m_event.count(u'N') >= 2, 7000);
            return;
        }
        QStringList seen;
        for (const QString &step : script.split(u' ')) {
            const QString time = step.section(u':', 0, 0);
            seen.append(time + u':' + recorder.tickAt(base + time.toDouble()));
        }
        QCOMPARE(seen.join(u' '), script);
    }
};

QTEST_GUILESS_MAIN(tst_TOTPTick)
#include "tst_totptick.moc"
