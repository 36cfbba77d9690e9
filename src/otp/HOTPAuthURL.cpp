#include "HOTPAuthURL.h"

#include "CXScanner.h"
#include "HOTPGenerator.h"
#include "NotificationCenter.h"

#include <algorithm>

HOTPAuthURL::HOTPAuthURL(std::shared_ptr<HOTPGenerator> generator, const QString &name)
    : OTPAuthURL(generator, name)
    , m_hotpGenerator(std::move(generator))
    , m_otpCode(m_hotpGenerator->generateOTPForCounter(m_hotpGenerator->counter()))
{ }

HOTPAuthURL::~HOTPAuthURL() = default;

std::unique_ptr<HOTPAuthURL>
HOTPAuthURL::initWithOTPGenerator(std::shared_ptr<HOTPGenerator> generator, const QString &name)
{
    if (!generator || name.isNull())
        return nullptr;
    return std::unique_ptr<HOTPAuthURL>(new HOTPAuthURL(std::move(generator), name));
}

std::unique_ptr<HOTPAuthURL> HOTPAuthURL::initWithSecret(const QByteArray &secret,
                                                         const QString &name)
{
    std::shared_ptr<HOTPGenerator> generator = HOTPGenerator::initWithSecret(
        secret, HOTPGenerator::defaultAlgorithm(), HOTPGenerator::defaultDigits(),
        HOTPGenerator::defaultInitialCounter());
    return initWithOTPGenerator(std::move(generator), name);
}

std::unique_ptr<HOTPAuthURL> HOTPAuthURL::initWithName(const QString &name,
                                                       const QByteArray &secret,
                                                       const QString &algorithm, unsigned digits,
                                                       const QMap<QString, QString> &query)
{
    // An empty counter passes the digit test but holds no number; such an
    // account has no defined state, so it is refused.
    const QString counterText = query.value(QStringLiteral("counter"));
    quint64 counter = 0;
    if (!isValidCounter(counterText) || !CXScanner(counterText).cx_scanUnsignedLongLong(&counter))
        return nullptr;
    std::shared_ptr<HOTPGenerator> generator
        = HOTPGenerator::initWithSecret(secret, algorithm, digits, counter);
    return initWithOTPGenerator(std::move(generator), name);
}

bool HOTPAuthURL::isValidCounter(const QString &counter)
{
    if (counter.isNull())
        return false;
    return std::all_of(counter.cbegin(), counter.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

QUrl HOTPAuthURL::url() const
{
    QMap<QString, QString> arguments = commonArguments();
    arguments.insert(QStringLiteral("counter"), QString::number(m_hotpGenerator->counter()));
    return urlWithType(QStringLiteral("hotp"), arguments);
}

void HOTPAuthURL::generateNextOTPCode()
{
    m_otpCode = m_hotpGenerator->generateOTP();
    // A stored account's URL must carry the new counter, or a restart would
    // show codes already used. An account never saved is not added here.
    if (isInKeychain())
        saveToKeychain();
    NotificationCenter::defaultCenter().postNotification(OTPAuthURLDidGenerateNewOTPNotification,
                                                         this);
}
