#include "KeychainCipher.h"

#include <QtEndian>
#include <memory>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace {
struct ContextFree
{
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

void appendField(QByteArray &out, const QString &field)
{
    const QByteArray utf8 = field.toUtf8();
    const quint32 size = qToBigEndian(quint32(utf8.size()));
    out.append(reinterpret_cast<const char *>(&size), sizeof size);
    out.append(utf8);
}

const unsigned char *bytes(const QByteArray &array)
{
    return reinterpret_cast<const unsigned char *>(array.constData());
}

unsigned char *bytes(QByteArray &array)
{
    return reinterpret_cast<unsigned char *>(array.data());
}

// Starts a GCM context for key and nonce and feeds it the associated data.
Context begin(bool encrypt, const QByteArray &key, const QByteArray &nonce,
              const QByteArray &identity)
{
    Context context(EVP_CIPHER_CTX_new());
    int ignored = 0;
    if (!context || key.size() != 32 || nonce.size() != KeychainCipher::nonceSize
        || EVP_CipherInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, bytes(key), bytes(nonce),
                             encrypt ? 1 : 0)
            != 1
        || EVP_CipherUpdate(context.get(), nullptr, &ignored, bytes(identity), int(identity.size()))
            != 1)
        return {};
    return context;
}
} // namespace

QByteArray KeychainCipher::identity(const QString &itemClass, const QString &service,
                                    const QString &account)
{
    QByteArray out("keychain item v1");
    appendField(out, itemClass);
    appendField(out, service);
    appendField(out, account);
    return out;
}

QByteArray KeychainCipher::seal(const QByteArray &key, const QByteArray &plain,
                                const QByteArray &identity, QByteArray &nonce)
{
    nonce = QByteArray(nonceSize, Qt::Uninitialized);
    if (RAND_bytes(bytes(nonce), nonceSize) != 1)
        return {};
    Context context = begin(true, key, nonce, identity);
    QByteArray sealed(plain.size() + tagSize, Qt::Uninitialized);
    int written = 0;
    int last = 0;
    if (!context
        || EVP_CipherUpdate(context.get(), bytes(sealed), &written, bytes(plain), int(plain.size()))
            != 1
        || EVP_CipherFinal_ex(context.get(), bytes(sealed) + written, &last) != 1
        || EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, tagSize,
                               bytes(sealed) + plain.size())
            != 1)
        return {};
    return sealed;
}

std::optional<QByteArray> KeychainCipher::open(const QByteArray &key, const QByteArray &sealed,
                                               const QByteArray &nonce, const QByteArray &identity)
{
    if (sealed.size() < tagSize)
        return std::nullopt;
    Context context = begin(false, key, nonce, identity);
    const qsizetype size = sealed.size() - tagSize;
    QByteArray tag = sealed.right(tagSize);
    QByteArray plain(size, Qt::Uninitialized);
    int written = 0;
    int last = 0;
    if (!context
        || EVP_CipherUpdate(context.get(), bytes(plain), &written, bytes(sealed), int(size)) != 1
        || EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, tagSize, bytes(tag)) != 1
        || EVP_CipherFinal_ex(context.get(), bytes(plain) + written, &last) != 1)
        return std::nullopt;
    return plain.isNull() ? QByteArray("", 0) : plain;
}
