#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

struct evp_pkey_st;

// One RSA tool (a public key from a DER certificate, a private key from a
// PKCS#12 bundle) and the symmetric ciphers. RSA works on one block with
// PKCS#1 v1.5 padding; text results are standard Base64 without line breaks.
// Every failure gives a null result. A tool is used by one thread at a time;
// the class operations are safe from any thread.
class CryptorTools
{
public:
    enum Algorithm : int { AES128 = 0, DES = 1 };
    enum Operation : int { Encrypt = 0, Decrypt = 1 };
    // The cipher statuses the failure log line carries.
    enum Status : int {
        ParamError = -4300,
        AlignmentError = -4303,
        DecodeError = -4304,
        Unimplemented = -4305,
    };

    CryptorTools();
    ~CryptorTools();
    CryptorTools(const CryptorTools &) = delete;
    CryptorTools &operator=(const CryptorTools &) = delete;

    // Replaces the key held; a file that is missing or holds no RSA key
    // leaves none. The certificate's trust is not looked at.
    void loadPublicKeyWithFilePath(const QString &path);
    void loadPrivateKey(const QString &path, const QString &password);
    bool hasPublicKey() const { return bool(m_publicKey); }
    bool hasPrivateKey() const { return bool(m_privateKey); }

    // At most (modulus bytes - 11) in, one modulus-sized block out.
    QString RSAEncryptString(const QString &string) const;
    QByteArray RSAEncryptData(const QByteArray &data) const;
    // Exactly one block in; text that is not UTF-8 gives null.
    QString RSADecryptString(const QString &string) const;
    QByteArray RSADecryptData(const QByteArray &data) const;

    // The key text's UTF-8 bytes are cut or zero-padded to the key length
    // (16 for AES-128, 8 for DES). With an IV (its first bytes copied over
    // zeros) the mode is CBC, without one ECB; PKCS#7 padding either way.
    static QByteArray DESEncryptData(const QByteArray &data, const QString &keyString,
                                     const std::optional<QByteArray> &iv = std::nullopt);
    static QByteArray DESDecryptData(const QByteArray &data, const QString &keyString,
                                     const std::optional<QByteArray> &iv = std::nullopt);
    static QString DESEncryptString(const QString &string, const QString &keyString,
                                    const std::optional<QByteArray> &iv = std::nullopt);
    static QString DESDecryptString(const QString &string, const QString &keyString,
                                    const std::optional<QByteArray> &iv = std::nullopt);
    static QByteArray AESEncryptData(const QByteArray &data, const QString &keyString,
                                     const std::optional<QByteArray> &iv = std::nullopt);
    static QByteArray AESDecryptData(const QByteArray &data, const QString &keyString,
                                     const std::optional<QByteArray> &iv = std::nullopt);
    static QString AESEncryptString(const QString &string, const QString &keyString,
                                    const std::optional<QByteArray> &iv = std::nullopt);
    static QString AESDecryptString(const QString &string, const QString &keyString,
                                    const std::optional<QByteArray> &iv = std::nullopt);
    // The worker behind the eight above; any algorithm other than AES128 is
    // DES. Logs the status of a failure.
    static QByteArray CCCryptData(const QByteArray &data, int algorithm, int operation,
                                  const QString &keyString, const std::optional<QByteArray> &iv);

private:
    struct KeyFree
    {
        void operator()(evp_pkey_st *key) const;
    };
    using Key = std::unique_ptr<evp_pkey_st, KeyFree>;

    static QString encryptText(const QString &string, int algorithm, const QString &keyString,
                               const std::optional<QByteArray> &iv);
    static QString decryptText(const QString &string, int algorithm, const QString &keyString,
                               const std::optional<QByteArray> &iv);

    Key m_publicKey;
    Key m_privateKey;
};
