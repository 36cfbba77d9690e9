#include "HOTPGenerator.h"

quint64 HOTPGenerator::defaultInitialCounter()
{
    return 1;
}

HOTPGenerator::HOTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits,
                             quint64 counter)
    : OTPGenerator(secret, algorithm, digits)
    , m_counter(counter)
{ }

std::unique_ptr<HOTPGenerator> HOTPGenerator::initWithSecret(const QByteArray &secret,
                                                             const QString &algorithm,
                                                             unsigned digits, quint64 counter)
{
    std::unique_ptr<HOTPGenerator> generator(new HOTPGenerator(secret, algorithm, digits, counter));
    if (!generator->isValid())
        return nullptr;
    return generator;
}

QString HOTPGenerator::generateOTP()
{
    // Unsigned arithmetic: the counter after the largest value is 0.
    const quint64 next = m_counter + 1;
    const QString code = generateOTPForCounter(next);
    m_counter = next;
    return code;
}
