#pragma once

#include "OTPAuthURL.h"

#include <QMap>

class HOTPGenerator;

// A counter-based account. The shown code is stored and changes only when
// the next one is asked for.
class HOTPAuthURL : public OTPAuthURL
{
    Q_OBJECT
public:
    // Null without a generator or with a null name (an empty name is fine).
    // The shown code starts as that of the generator's current counter.
    static std::unique_ptr<HOTPAuthURL>
    initWithOTPGenerator(std::shared_ptr<HOTPGenerator> generator, const QString &name);
    // "SHA1", 6 digits, counter 1.
    static std::unique_ptr<HOTPAuthURL> initWithSecret(const QByteArray &secret,
                                                       const QString &name);
    // "counter" comes from the query and must be a non-empty run of digits.
    static std::unique_ptr<HOTPAuthURL> initWithName(const QString &name, const QByteArray &secret,
                                                     const QString &algorithm, unsigned digits,
                                                     const QMap<QString, QString> &query);

    // True when the text has no character outside the digits 0-9; a null
    // text is not valid, an empty one is.
    static bool isValidCounter(const QString &counter);

    ~HOTPAuthURL() override;

    QUrl url() const override;
    QString otpCode() const override { return m_otpCode; }
    void setOtpCode(const QString &otpCode) { m_otpCode = otpCode; }
    std::shared_ptr<HOTPGenerator> hotpGenerator() const { return m_hotpGenerator; }

    // Moves the counter on, keeps the new code and announces it.
    void generateNextOTPCode() override;

private:
    HOTPAuthURL(std::shared_ptr<HOTPGenerator> generator, const QString &name);

    std::shared_ptr<HOTPGenerator> m_hotpGenerator;
    QString m_otpCode;
};
