#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class OTPHMAC;

// One-time codes of an HMAC key for a 64-bit counter (RFC 4226): the key,
// the hash ("SHA1", "SHA256", "SHA512" or "MD5") and 6 to 8 digits. The
// subclasses decide where the counter comes from.
class OTPGenerator
{
public:
    static QString defaultAlgorithm();
    static unsigned defaultDigits();

    // Null unless the algorithm is one of the four names (case-sensitive),
    // digits is 6, 7 or 8, and a secret is given (a null QByteArray is no
    // secret; an empty one is a valid, empty key).
    static std::unique_ptr<OTPGenerator> initWithSecret(const QByteArray &secret,
                                                        const QString &algorithm, unsigned digits);

    virtual ~OTPGenerator();
    OTPGenerator(const OTPGenerator &) = delete;
    OTPGenerator &operator=(const OTPGenerator &) = delete;

    // The code the generator stands for; a plain generator has no counter of
    // its own and answers null.
    virtual QString generateOTP();
    // Exactly digits() decimal characters, or null when algorithm() has been
    // set to a name outside the four.
    QString generateOTPForCounter(quint64 counter) const;

    QString algorithm() const { return m_algorithm; }
    void setAlgorithm(const QString &algorithm);
    QByteArray secret() const { return m_secret; }
    void setSecret(const QByteArray &secret);
    unsigned digits() const { return m_digits; }

protected:
    OTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits);
    bool isValid() const;

private:
    void prepareKey();

    QByteArray m_secret;
    QString m_algorithm;
    unsigned m_digits;
    std::unique_ptr<OTPHMAC> m_hmac;
};
