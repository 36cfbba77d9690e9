#include "CryptorTools.h"

#include "CXBase64.h"
#include "ServiceLog.h"

#include <QFile>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int pkcs1Overhead = 11;

template<typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
using CipherPtr = std::unique_ptr<EVP_CIPHER, Deleter<EVP_CIPHER, EVP_CIPHER_free>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, Deleter<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Deleter<PKCS12, PKCS12_free>>;

// DES lives in OpenSSL's legacy provider. It is loaded into a library
// context of our own, so the rest of the process keeps the default set of
// algorithms. Null when the provider is not installed.
class LegacyContext
{
public:
    static OSSL_LIB_CTX *get()
    {
        static LegacyContext context;
        return context.m_usable ? context.m_context : nullptr;
    }

private:
    LegacyContext()
        : m_context(OSSL_LIB_CTX_new())
    {
        if (!m_context)
            return;
        m_legacy = OSSL_PROVIDER_load(m_context, "legacy");
        m_default = OSSL_PROVIDER_load(m_context, "default");
        m_usable = m_legacy && m_default;
    }
    ~LegacyContext()
    {
        if (m_legacy)
            OSSL_PROVIDER_unload(m_legacy);
        if (m_default)
            OSSL_PROVIDER_unload(m_default);
        OSSL_LIB_CTX_free(m_context);
    }

    OSSL_LIB_CTX *m_context;
    OSSL_PROVIDER *m_legacy = nullptr;
    OSSL_PROVIDER *m_default = nullptr;
    bool m_usable = false;
};

CipherPtr fetchCipher(int algorithm, bool chained)
{
    if (algorithm == CryptorTools::AES128)
        return CipherPtr(
            EVP_CIPHER_fetch(nullptr, chained ? "AES-128-CBC" : "AES-128-ECB", nullptr));
    OSSL_LIB_CTX *legacy = LegacyContext::get();
    if (!legacy)
        return nullptr;
    return CipherPtr(EVP_CIPHER_fetch(legacy, chained ? "DES-CBC" : "DES-ECB", nullptr));
}

// The first length bytes of bytes, zero-padded.
QByteArray fitted(const QByteArray &bytes, qsizetype length)
{
    QByteArray out(length, '\0');
    std::copy_n(bytes.constData(), std::min(length, bytes.size()), out.data());
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isRSA(const EVP_PKEY *key)
{
    return key && EVP_PKEY_is_a(key, "RSA");
}

// Runs one RSA operation with PKCS#1 v1.5 padding; null on any failure.
QByteArray rsa(EVP_PKEY *key, const QByteArray &input, bool encrypt)
{
    PkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
    if (!context
        || (encrypt ? EVP_PKEY_encrypt_init(context.get()) : EVP_PKEY_decrypt_init(context.get()))
            <= 0
        || EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0)
        return {};
    const auto *in = reinterpret_cast<const unsigned char *>(input.constData());
    size_t length = size_t(EVP_PKEY_get_size(key));
    QByteArray out(qsizetype(length), '\0');
    auto *outBytes = reinterpret_cast<unsigned char *>(out.data());
    const int ok = encrypt
        ? EVP_PKEY_encrypt(context.get(), outBytes, &length, in, size_t(input.size()))
        : EVP_PKEY_decrypt(context.get(), outBytes, &length, in, size_t(input.size()));
    if (ok <= 0)
        return {};
    out.truncate(qsizetype(length));
    return out;
}

} // namespace

void CryptorTools::KeyFree::operator()(evp_pkey_st *key) const
{
    EVP_PKEY_free(key);
}

CryptorTools::CryptorTools() = default;
CryptorTools::~CryptorTools() = default;

void CryptorTools::loadPublicKeyWithFilePath(const QString &path)
{
    m_publicKey.reset();
    const QByteArray der = readFile(path);
    const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
    const X509Ptr certificate(d2i_X509(nullptr, &bytes, long(der.size())));
    if (!certificate)
        return;
    Key key(X509_get_pubkey(certificate.get()));
    if (isRSA(key.get()))
        m_publicKey = std::move(key);
}

void CryptorTools::loadPrivateKey(const QString &path, const QString &password)
{
    m_privateKey.reset();
    const QByteArray bundle = readFile(path);
    const auto *bytes = reinterpret_cast<const unsigned char *>(bundle.constData());
    const Pkcs12Ptr p12(d2i_PKCS12(nullptr, &bytes, long(bundle.size())));
    if (!p12)
        return;
    EVP_PKEY *key = nullptr;
    X509 *certificate = nullptr;
    STACK_OF(X509) *chain = nullptr;
    QByteArray passphrase = password.toUtf8();
    const bool parsed = PKCS12_parse(p12.get(), passphrase.constData(), &key, &certificate, &chain);
    OPENSSL_cleanse(passphrase.data(), size_t(passphrase.size()));
    Key owned(key);
    X509_free(certificate);
    sk_X509_pop_free(chain, X509_free);
    if (parsed && isRSA(owned.get()))
        m_privateKey = std::move(owned);
}

QString CryptorTools::RSAEncryptString(const QString &string) const
{
    const QByteArray cipher = RSAEncryptData(string.toUtf8());
    return cipher.isEmpty() ? QString() : CXBase64::stringByEncodingData(cipher);
}

QByteArray CryptorTools::RSAEncryptData(const QByteArray &data) const
{
    if (!m_publicKey || data.size() > EVP_PKEY_get_size(m_publicKey.get()) - pkcs1Overhead)
        return {};
    return rsa(m_publicKey.get(), data, true);
}

QString CryptorTools::RSADecryptString(const QString &string) const
{
    const QByteArray plain = RSADecryptData(CXBase64::decodeString(string));
    if (plain.isNull() || !QByteArrayView(plain).isValidUtf8())
        return {};
    return QString::fromUtf8(plain);
}

QByteArray CryptorTools::RSADecryptData(const QByteArray &data) const
{
    if (!m_privateKey || data.size() != EVP_PKEY_get_size(m_privateKey.get()))
        return {};
    QByteArray plain = rsa(m_privateKey.get(), data, false);
    // An empty message decrypts to a valid, empty result.
    if (!plain.isNull() && plain.isEmpty())
        plain = QByteArray("");
    return plain;
}

QByteArray CryptorTools::CCCryptData(const QByteArray &data, int algorithm, int operation,
                                     const QString &keyString, const std::optional<QByteArray> &iv)
{
    const qsizetype keyLength = algorithm == AES128 ? 16 : 8;
    const bool encrypt = operation == Encrypt;
    const auto fail = [](Status status) {
        qCWarning(lcService, "[错误] 加密或解密失败 | 状态编码: %d", int(status));
        return QByteArray();
    };
    const CipherPtr cipher = fetchCipher(algorithm, iv.has_value());
    if (!cipher)
        return fail(Unimplemented);
    // OpenSSL counts in int; the output needs a block more than the input.
    if (data.size() > std::numeric_limits<int>::max() - 2 * keyLength)
        return fail(ParamError);
    const int block = EVP_CIPHER_get_block_size(cipher.get());
    if (!encrypt && data.size() % block != 0)
        return fail(AlignmentError);
    QByteArray key = fitted(keyString.toUtf8(), keyLength);
    const QByteArray vector = fitted(iv.value_or(QByteArray()), keyLength);
    const CipherCtxPtr context(EVP_CIPHER_CTX_new());
    const bool ready = context
        && EVP_CipherInit_ex2(context.get(), cipher.get(),
                              reinterpret_cast<const unsigned char *>(key.constData()),
                              iv ? reinterpret_cast<const unsigned char *>(vector.constData())
                                 : nullptr,
                              encrypt ? 1 : 0, nullptr);
    OPENSSL_cleanse(key.data(), size_t(key.size()));
    if (!ready)
        return fail(ParamError);
    QByteArray out(data.size() + keyLength, '\0');
    auto *outBytes = reinterpret_cast<unsigned char *>(out.data());
    int written = 0;
    int last = 0;
    if (!EVP_CipherUpdate(context.get(), outBytes, &written,
                          reinterpret_cast<const unsigned char *>(data.constData()),
                          int(data.size())))
        return fail(ParamError);
    if (!EVP_CipherFinal_ex(context.get(), outBytes + written, &last))
        return fail(encrypt ? ParamError : DecodeError);
    out.truncate(written + last);
    if (out.isEmpty()) // a valid, empty plaintext
        out = QByteArray("");
    return out;
}

QByteArray CryptorTools::DESEncryptData(const QByteArray &data, const QString &keyString,
                                        const std::optional<QByteArray> &iv)
{
    return CCCryptData(data, DES, Encrypt, keyString, iv);
}

QByteArray CryptorTools::DESDecryptData(const QByteArray &data, const QString &keyString,
                                        const std::optional<QByteArray> &iv)
{
    return CCCryptData(data, DES, Decrypt, keyString, iv);
}

QString CryptorTools::DESEncryptString(const QString &string, const QString &keyString,
                                       const std::optional<QByteArray> &iv)
{
    return encryptText(string, DES, keyString, iv);
}

QString CryptorTools::DESDecryptString(const QString &string, const QString &keyString,
                                       const std::optional<QByteArray> &iv)
{
    return decryptText(string, DES, keyString, iv);
}

QByteArray CryptorTools::AESEncryptData(const QByteArray &data, const QString &keyString,
                                        const std::optional<QByteArray> &iv)
{
    return CCCryptData(data, AES128, Encrypt, keyString, iv);
}

QByteArray CryptorTools::AESDecryptData(const QByteArray &data, const QString &keyString,
                                        const std::optional<QByteArray> &iv)
{
    return CCCryptData(data, AES128, Decrypt, keyString, iv);
}

QString CryptorTools::AESEncryptString(const QString &string, const QString &keyString,
                                       const std::optional<QByteArray> &iv)
{
    return encryptText(string, AES128, keyString, iv);
}

QString CryptorTools::AESDecryptString(const QString &string, const QString &keyString,
                                       const std::optional<QByteArray> &iv)
{
    return decryptText(string, AES128, keyString, iv);
}

QString CryptorTools::encryptText(const QString &string, int algorithm, const QString &keyString,
                                  const std::optional<QByteArray> &iv)
{
    const QByteArray cipher = CCCryptData(string.toUtf8(), algorithm, Encrypt, keyString, iv);
    return cipher.isNull() ? QString() : CXBase64::stringByEncodingData(cipher);
}

QString CryptorTools::decryptText(const QString &string, int algorithm, const QString &keyString,
                                  const std::optional<QByteArray> &iv)
{
    const QByteArray plain
        = CCCryptData(CXBase64::decodeString(string), algorithm, Decrypt, keyString, iv);
    if (plain.isNull() || !QByteArrayView(plain).isValidUtf8())
        return {};
    return QString::fromUtf8(plain);
}
