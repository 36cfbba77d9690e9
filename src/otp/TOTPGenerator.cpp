#include "TOTPGenerator.h"

#include "Clock.h"
#include "OTPOffsetSource.h"

#include <cmath>
#include <limits>

double TOTPGenerator::defaultPeriod()
{
    return 180.0;
}

TOTPGenerator::TOTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits,
                             double period)
    : OTPGenerator(secret, algorithm, digits)
    , m_period(period)
{ }

std::unique_ptr<TOTPGenerator> TOTPGenerator::initWithSecret(const QByteArray &secret,
                                                             const QString &algorithm,
                                                             unsigned digits, double period)
{
    std::unique_ptr<TOTPGenerator> generator(new TOTPGenerator(secret, algorithm, digits, period));
    if (!generator->isValid() || !(period > 0.0 && period <= 300.0))
        return nullptr;
    return generator;
}

QString TOTPGenerator::generateOTP()
{
    return generateOTPForDate(std::nullopt);
}

QString TOTPGenerator::generateOTPForDate(std::optional<double> secondsSince1970) const
{
    const double date = secondsSince1970 ? *secondsSince1970 : Clock::now();
    return generateOTPForCounter(counterForTime(date + OTPOffsetSource::offset(), m_period));
}

TOTPGenerator::Reading TOTPGenerator::currentReading() const
{
    const double corrected = Clock::now() + OTPOffsetSource::offset();
    const quint64 counter = counterForTime(corrected, m_period);
    return {generateOTPForCounter(counter), (double(counter) + 1.0) * m_period - corrected};
}

quint64 TOTPGenerator::counterForTime(double correctedSecondsSince1970, double period)
{
    const double quotient = std::trunc(correctedSecondsSince1970 / period);
    // Converting a double outside the target range is undefined, so both
    // ends are settled before the cast (NaN fails the first test).
    if (!(quotient > 0.0))
        return 0;
    constexpr double limit = 18446744073709551616.0; // 2^64
    if (quotient >= limit)
        return std::numeric_limits<quint64>::max();
    return quint64(quotient);
}
