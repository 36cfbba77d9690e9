#include "Clock.h"
#include "NotificationCenter.h"
#include "OTPCountdownClock.h"
#include "OTPOffsetSource.h"
#include "PXFadingLabel.h"
#include "TOTPAuthURL.h"
#include "TOTPCodeCell.h"

#include <QAbstractAnimation>
#include <QLabel>
#include <QtTest>
#include <numbers>

namespace {

// A whole number of 180-second periods.
constexpr double base = 180.0 * 10000000;
double offset = 0;

void tickAt(double deviceTime)
{
    Clock::setFixedTime(base + deviceTime);
    NotificationCenter::defaultCenter().postNotification(TOTPAuthURL::TOTPAuthURLTimerNotification,
                                                         TOTPAuthURL::classToken());
}

void setActive(bool active)
{
    Q_EMIT qApp->applicationStateChanged(active ? Qt::ApplicationActive : Qt::ApplicationInactive);
}

QString fadeName(const TOTPCodeCell &cell)
{
    return cell.runningFade() ? cell.runningFade()->objectName() : QString();
}

// A row showing the account's code at 'at' seconds into a period, after
// the account's first tick.
void showAt(TOTPCodeCell &cell, double at)
{
    Clock::setFixedTime(base + at);
    cell.setAuthURL(OTPAuthURL::authURLWithURL(QStringLiteral("otpauth://totp/1?secret=MZXW6")));
    tickAt(at);
}

} // namespace

class tst_CodeViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        OTPOffsetSource::setProvider([] { return offset; });
    }
    void cleanup();
    void clockFace_data();
    void clockFace();
    void clockDrawing();
    void clockSleepsWhileInactive();
    void warningFade();
    void newCode_data();
    void newCode();
};

void tst_CodeViews::cleanup()
{
    Clock::clearFixedTime();
    offset = 0;
    setActive(true);
}

void tst_CodeViews::clockFace_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("overlay");
    QTest::addColumn<double>("stroke");
    QTest::addColumn<int>("secondsLeft");
    const double pi = std::numbers::pi;
    QTest::newRow("start") << 0.0 << -pi / 2 << 0.0 << 1.0 << 180;
    QTest::newRow("quarter: hand at 3 o'clock") << 0.25 << 0.0 << 0.0 << 1.0 << 135;
    QTest::newRow("last eighth begins") << 0.875 << 1.25 * pi << 0.0 << 1.0 << 23;
    QTest::newRow("0.9: red 0.1, hand 0.2") << 0.9 << 1.3 * pi << 0.1 << 0.2 << 18;
}

void tst_CodeViews::clockFace()
{
    QFETCH(double, fraction);
    offset = 0.5; // the service clock counts, not the device's
    Clock::setFixedTime(base + fraction * 180 - offset);
    const OTPCountdownClock clock(QRect(0, 0, 150, 150), 180);
    const OTPCountdownClock::Face face = clock.face();
    QCOMPARE(face.radius, 71.0);
    QCOMPARE(face.fraction, fraction);
    QTEST(face.angle, "angle");
    QTEST(face.overlayOpacity, "overlay");
    QTEST(face.strokeOpacity, "stroke");
    QTEST(face.secondsLeft, "secondsLeft");
}

// At a quarter past: the sector covers 12 o'clock back round to 3 o'clock,
// so 9 o'clock is tinted, half past one is not, and the hand lies on 3 o'clock.
void tst_CodeViews::clockDrawing()
{
    Clock::setFixedTime(base + 45);
    OTPCountdownClock clock(QRect(0, 0, 150, 150), 180);
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    clock.render(&image);
    const QColor remaining = image.pixelColor(2 * 40, 2 * 75);
    const QColor elapsed = image.pixelColor(2 * 110, 2 * 40);
    QVERIFY2(remaining.blue() - remaining.red() > 25, qPrintable(remaining.name()));
    QVERIFY2(qAbs(elapsed.blue() - elapsed.red()) < 8, qPrintable(elapsed.name()));
    QCOMPARE(image.pixelColor(2 * 120, 2 * 75 - 1).rgb(), QColor(0x44C0FE).rgb());

    Clock::setFixedTime(base + 171); // f = 0.95: 18 degrees left, red over blue
    clock.render(&image);
    const QColor late = image.pixelColor(2 * 67, 2 * 26);
    QVERIFY2(late.red() > late.blue(), qPrintable(late.name()));
}

void tst_CodeViews::clockSleepsWhileInactive()
{
    OTPCountdownClock clock(QRect(0, 0, 150, 150), 180);
    QVERIFY(clock.isTicking());
    setActive(false);
    QVERIFY(!clock.isTicking());
    setActive(true);
    QVERIFY(clock.isTicking());
}

void tst_CodeViews::warningFade()
{
    TOTPCodeCell cell;
    showAt(cell, 170);
    tickAt(176);
    QCOMPARE(fadeName(cell), QStringLiteral("Warning"));
    QCOMPARE(cell.runningFade()->duration(), 4000);
    QVERIFY(!cell.warningLabel()->isHidden());
}

// Each row starts on a shown code at 100 s into a period, then moves the
// clock (device seconds, offset) and gives the row a chance to notice:
// "tick" (the one-second tick) or "activate" (back in the foreground).
void tst_CodeViews::newCode_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("newOffset");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("changes");
    QTest::newRow("same period") << 150.0 << 0.0 << "tick" << false;
    QTest::newRow("boundary") << 180.0 << 0.0 << "tick" << true;
    QTest::newRow("suspended past the boundary") << 400.0 << 0.0 << "tick" << true;
    QTest::newRow("new offset crosses the boundary") << 101.0 << 100.0 << "tick" << true;
    QTest::newRow("new offset goes back a period") << 101.0 << -120.0 << "tick" << true;
    QTest::newRow("stale on activation") << 200.0 << 0.0 << "activate" << true;
}

void tst_CodeViews::newCode()
{
    QFETCH(double, time);
    QFETCH(QString, trigger);
    QFETCH(bool, changes);
    TOTPCodeCell cell;
    showAt(cell, 100);
    const QString old = cell.codeLabel()->text();
    QCOMPARE(cell.nameLabel()->text(), QStringLiteral("电话号码：1"));

    QFETCH(double, newOffset);
    offset = newOffset;
    if (trigger == QLatin1String("tick"))
        tickAt(time);
    else {
        Clock::setFixedTime(base + time);
        setActive(true);
    }
    const QString current = cell.authURL()->otpCode();
    QCOMPARE(current != old, changes);
    QCOMPARE(cell.codeLabel()->text(), current);
    QCOMPARE(cell.codeLabel()->accessibleName(), current);
    if (!changes) {
        QVERIFY(!cell.runningFade());
        return;
    }
    // The old code fades out of the warning label, then the new one fades in.
    QCOMPARE(fadeName(cell), QStringLiteral("otpFadeOut"));
    QCOMPARE(cell.warningLabel()->text(), old);
    QCOMPARE(cell.codeLabel()->opacity(), 0.0);
    QTRY_COMPARE(fadeName(cell), QStringLiteral("otpFadeIn"));
    QCOMPARE(cell.warningLabel()->text(), current);
    QTRY_VERIFY(!cell.runningFade());
    QCOMPARE(cell.codeLabel()->opacity(), 1.0);
    QVERIFY(cell.warningLabel()->isHidden());
}

QTEST_MAIN(tst_CodeViews)
#include "tst_codeviews.moc"
