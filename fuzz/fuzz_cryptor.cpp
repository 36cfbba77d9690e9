// The decrypting side of the crypto toolkit over arbitrary input: the web
// login's token as the service reads it (RSA with the m key), and AES and DES
// blocks under a key and IV from the input, which must encrypt back to themselves.
#include "CryptorTools.h"
#include "KLCryptor.h"

#include <cstdlib>

namespace {
void roundTrip(const QByteArray &block, const QString &key, const std::optional<QByteArray> &iv,
               bool aes)
{
    const QByteArray plain = aes ? CryptorTools::AESDecryptData(block, key, iv)
                                 : CryptorTools::DESDecryptData(block, key, iv);
    if (!plain.isNull()
        && (aes ? CryptorTools::AESEncryptData(plain, key, iv)
                : CryptorTools::DESEncryptData(plain, key, iv))
            != block)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        (void)KLCryptor::m_getRSAPrivateTool()->RSADecryptString(QString::fromLatin1(input));
        (void)KLCryptor::m_getRSAPrivateTool()->RSADecryptData(input);
        break;
    case 1: // key (16), IV (16), then the ciphertext
    case 2:
        for (const auto &iv : {std::optional(input.mid(16, 16)), std::optional<QByteArray>()})
            roundTrip(input.mid(32), QString::fromLatin1(input.left(16)), iv, data[0] % 4 == 1);
        break;
    default:
        (void)CryptorTools::AESDecryptString(QString::fromLatin1(input), QStringLiteral("k"));
        (void)CryptorTools::DESDecryptString(QString::fromLatin1(input), QStringLiteral("k"));
        break;
    }
    return 0;
}
