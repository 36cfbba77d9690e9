#include "TOTPAuthURL.h"

#include "CXScanner.h"
#include "CXURLArguments.h"
#include "Clock.h"
#include "NotificationCenter.h"
#include "OTPOffsetSource.h"
#include "TOTPGenerator.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <limits>

namespace {

QPointer<QTimer> &classTimer()
{
    static QPointer<QTimer> timer;
    return timer;
}

// Aims a few milliseconds past the next whole second of the corrected clock,
// so a new code is announced right after the boundary rather than up to a
// second later. Re-aiming on every tick also follows offset changes.
int millisecondsToNextTick()
{
    const double now = Clock::now() + OTPOffsetSource::offset();
    const double fraction = now - std::floor(now);
    return int(std::ceil((1.0 - fraction) * 1000.0)) + 2;
}

} // namespace

TOTPAuthURL::TOTPAuthURL(std::shared_ptr<TOTPGenerator> generator, const QString &name)
    : OTPAuthURL(generator, name)
    , m_totpGenerator(std::move(generator))
{
    ensureClassTimer();
    NotificationCenter::defaultCenter().addObserver(this, TOTPAuthURLTimerNotification,
                                                    classToken(),
                                                    [this](const Notification &) { totpTimer(); });
}

TOTPAuthURL::~TOTPAuthURL()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TOTPAuthURL::ensureClassTimer()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (classTimer() || !app || QThread::currentThread() != app->thread())
        return;
    auto *timer = new QTimer(app);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        timer->start(millisecondsToNextTick());
        NotificationCenter::defaultCenter().postNotification(TOTPAuthURLTimerNotification,
                                                             classToken());
    });
    timer->start(millisecondsToNextTick());
    classTimer() = timer;
}

std::unique_ptr<TOTPAuthURL>
TOTPAuthURL::initWithOTPGenerator(std::shared_ptr<TOTPGenerator> generator, const QString &name)
{
    if (!generator || name.isNull())
        return nullptr;
    return std::unique_ptr<TOTPAuthURL>(new TOTPAuthURL(std::move(generator), name));
}

std::unique_ptr<TOTPAuthURL> TOTPAuthURL::initWithSecret(const QByteArray &secret,
                                                         const QString &name)
{
    std::shared_ptr<TOTPGenerator> generator = TOTPGenerator::initWithSecret(
        secret, TOTPGenerator::defaultAlgorithm(), TOTPGenerator::defaultDigits(),
        TOTPGenerator::defaultPeriod());
    return initWithOTPGenerator(std::move(generator), name);
}

std::unique_ptr<TOTPAuthURL> TOTPAuthURL::initWithTOTPURL(const QString &urlText)
{
    const QUrl url(urlText, QUrl::StrictMode);
    const QString user
        = CXURLArguments::cx_stringByRemovingPercentEscapes(url.userName(QUrl::FullyEncoded));
    if (!url.isValid() || user.isEmpty() || !url.hasFragment())
        return nullptr;
    const QString host = writtenHost(urlText, url);
    const QString name = host.isEmpty() ? user : user + QLatin1Char('@') + host;
    return initWithSecret(base32Decode(url.fragment(QUrl::FullyDecoded)), name);
}

std::unique_ptr<TOTPAuthURL> TOTPAuthURL::initWithName(const QString &name,
                                                       const QByteArray &secret,
                                                       const QString &algorithm, unsigned digits,
                                                       const QMap<QString, QString> &query)
{
    // Read like a C number: its leading number, 0 when there is none.
    double period = TOTPGenerator::defaultPeriod();
    if (query.contains(QStringLiteral("period"))
        && !CXScanner(query.value(QStringLiteral("period"))).scanDouble(&period))
        period = 0.0;
    std::shared_ptr<TOTPGenerator> generator
        = TOTPGenerator::initWithSecret(secret, algorithm, digits, period);
    auto account = initWithOTPGenerator(std::move(generator), name);
    if (account)
        account->m_lastProgress = period;
    return account;
}

QUrl TOTPAuthURL::url() const
{
    QMap<QString, QString> arguments = commonArguments();
    const double period = m_totpGenerator->period();
    if (period != TOTPGenerator::defaultPeriod())
        arguments.insert(QStringLiteral("period"), QString::number(std::trunc(period), 'f', 0));
    return urlWithType(QStringLiteral("totp"), arguments);
}

QString TOTPAuthURL::otpCode() const
{
    return m_totpGenerator->generateOTP();
}

void TOTPAuthURL::totpTimer()
{
    const double period = m_totpGenerator->period();
    const double wholePeriod = std::trunc(period);
    // A period under one second has no whole-second position to report.
    if (!(wholePeriod >= 1.0) || !std::isfinite(wholePeriod))
        return;
    const double now = std::trunc(Clock::now() + OTPOffsetSource::offset());
    const double counter = std::floor(now / wholePeriod);
    const double progress = now - counter * wholePeriod;

    NotificationCenter &center = NotificationCenter::defaultCenter();
    const bool newPeriod = isNewPeriod(counter, progress);
    m_announcedCounter = counter;
    if (newPeriod) {
        m_lastProgress = period;
        m_warningSent = false;
        center.postNotification(OTPAuthURLDidGenerateNewOTPNotification, this);
    } else if (progress > period - m_generationAdvanceWarning && !m_warningSent) {
        m_warningSent = true;
        const double secondsLeft = std::ceil(period - progress);
        const int seconds = int(std::min(secondsLeft, double(std::numeric_limits<int>::max())));
        center.postNotification(OTPAuthURLWillGenerateNewOTPWarningNotification, this,
                                {{OTPAuthURLSecondsBeforeNewOTP, seconds}});
    }
}

// Compares period counters rather than waiting for a tick at progress 0: the
// corrected clock can jump over a boundary (a new service offset, a suspended
// machine, a main thread blocked for more than a second), and a row left on
// the old code would show one the service refuses for the rest of the period.
bool TOTPAuthURL::isNewPeriod(double counter, double progress) const
{
    if (m_announcedCounter)
        return *m_announcedCounter != counter;
    // First tick: a new account announces its code, one read back does so
    // only on a boundary.
    return progress == 0.0 || progress > m_lastProgress;
}
