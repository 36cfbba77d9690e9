#pragma once

#include "OTPGenerator.h"

#include <optional>

// Time-based codes (RFC 6238): the counter is the number of whole periods
// since 1970 of the device time corrected by OTPOffsetSource::offset().
class TOTPGenerator : public OTPGenerator
{
public:
    static double defaultPeriod();

    // Same checks as OTPGenerator::initWithSecret, then 0 < period <= 300.
    static std::unique_ptr<TOTPGenerator> initWithSecret(const QByteArray &secret,
                                                         const QString &algorithm, unsigned digits,
                                                         double period);

    QString generateOTP() override;
    // The offset is added to every date, including one passed in; no date
    // means Clock::now().
    QString generateOTPForDate(std::optional<double> secondsSince1970) const;

    // The current code and the seconds it stays valid, from one reading of
    // the corrected clock, so the two always agree.
    struct Reading
    {
        QString code;
        double secondsLeft = 0.0;
    };
    Reading currentReading() const;

    // t / period truncated toward zero; a negative or undefined quotient is
    // 0 and one beyond the counter range is its largest value.
    static quint64 counterForTime(double correctedSecondsSince1970, double period);

    double period() const { return m_period; }
    void setPeriod(double period) { m_period = period; }

private:
    TOTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits,
                  double period);

    double m_period;
};
