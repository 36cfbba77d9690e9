#include "OTPGenerator.h"

#include "OTPHMAC.h"

#include <QtEndian>
#include <algorithm>
#include <array>

namespace {

constexpr quint32 modulusFor(unsigned digits)
{
    quint32 modulus = 1;
    for (unsigned i = 0; i < digits; ++i)
        modulus *= 10;
    return modulus;
}

// RFC 4226 dynamic truncation. The offset nibble can reach 15, which with a
// 16-byte MD5 digest would read past its end, so the window is held at the
// last four bytes (offset at most 12); longer digests never need the clamp.
quint32 truncate(const unsigned char *digest, int length)
{
    const int offset = std::min(digest[length - 1] & 0x0f, length - 4);
    return qFromBigEndian<quint32>(digest + offset) & 0x7fffffffu;
}

} // namespace

QString OTPGenerator::defaultAlgorithm()
{
    return QStringLiteral("SHA1");
}

unsigned OTPGenerator::defaultDigits()
{
    return 6;
}

OTPGenerator::OTPGenerator(const QByteArray &secret, const QString &algorithm, unsigned digits)
    : m_secret(secret)
    , m_algorithm(algorithm)
    , m_digits(digits)
{
    prepareKey();
}

OTPGenerator::~OTPGenerator() = default;

std::unique_ptr<OTPGenerator>
OTPGenerator::initWithSecret(const QByteArray &secret, const QString &algorithm, unsigned digits)
{
    std::unique_ptr<OTPGenerator> generator(new OTPGenerator(secret, algorithm, digits));
    if (!generator->isValid())
        return nullptr;
    return generator;
}

bool OTPGenerator::isValid() const
{
    return m_hmac && m_digits >= 6 && m_digits <= 8 && !m_secret.isNull();
}

void OTPGenerator::prepareKey()
{
    const auto hash = OTPHMAC::hashNamed(m_algorithm);
    if (hash)
        m_hmac = std::make_unique<OTPHMAC>(*hash, m_secret);
    else
        m_hmac.reset();
}

void OTPGenerator::setAlgorithm(const QString &algorithm)
{
    m_algorithm = algorithm;
    prepareKey();
}

void OTPGenerator::setSecret(const QByteArray &secret)
{
    m_secret = secret;
    prepareKey();
}

QString OTPGenerator::generateOTP()
{
    return {};
}

QString OTPGenerator::generateOTPForCounter(quint64 counter) const
{
    if (!m_hmac)
        return {};
    std::array<unsigned char, 8> message;
    qToBigEndian(counter, message.data());
    std::array<unsigned char, OTPHMAC::maxDigestLength> digest;
    const int length = m_hmac->sign(message.data(), message.size(), digest.data());
    quint32 value = truncate(digest.data(), length) % modulusFor(m_digits);

    // Zero-padded to exactly digits() characters.
    std::array<char16_t, 8> text;
    for (unsigned i = m_digits; i-- > 0;) {
        text[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(m_digits));
}
