#pragma once

#include "OTPGenerator.h"

// Counter-based codes: the counter is stored and moves on by one for each
// code handed out.
class HOTPGenerator : public OTPGenerator
{
public:
    static quint64 defaultInitialCounter();

    // Same checks as OTPGenerator::initWithSecret; every counter is accepted.
    static std::unique_ptr<HOTPGenerator> initWithSecret(const QByteArray &secret,
                                                         const QString &algorithm, unsigned digits,
                                                         quint64 counter);

    // Advances first: the code for counter() + 1, which becomes the counter.
    QString generateOTP() override;

    quint64 counter() const { return m_counter; }
    void setCounter(quint64 counter) { m_counter = counter; }

private:
    HOTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits,
                  quint64 counter);

    quint64 m_counter;
};
