#pragma once

#include <QString>

#include <cmath>
#include <openssl/evp.h>
#include <openssl/hmac.h>

// The account's code computed without any of our classes, as the marketplace
// does: HMAC-SHA-1 keyed by the ASCII of Base64(secret text) over the
// big-endian 180-second counter of seconds, RFC 4226 truncation, 6 digits.
// Tests that include it link OpenSSL::Crypto.
inline QString independentCode(const QString &secretText, double seconds)
{
    const QByteArray key = secretText.toUtf8().toBase64();
    const auto counter = quint64(std::floor(seconds / 180.0));
    unsigned char message[8];
    for (int i = 0; i < 8; ++i)
        message[i] = static_cast<unsigned char>(counter >> (56 - 8 * i));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.constData(), int(key.size()), message, sizeof message, digest, &length);
    const int offset = digest[length - 1] & 0x0f;
    const quint32 binary = (quint32(digest[offset] & 0x7f) << 24)
        | (quint32(digest[offset + 1]) << 16) | (quint32(digest[offset + 2]) << 8)
        | quint32(digest[offset + 3]);
    return QStringLiteral("%1").arg(binary % 1000000, 6, 10, QLatin1Char('0'));
}
