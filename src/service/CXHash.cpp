#include "CXHash.h"

#include "CXBase64.h"

#include <QFile>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <cstring>
#include <memory>

namespace {

template<typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
using DigestCtxPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

QByteArray digest(const EVP_MD *md, QByteArrayView bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> out {};
    unsigned int length = 0;
    if (!EVP_Digest(bytes.data(), size_t(bytes.size()), out.data(), &length, md, nullptr))
        return {};
    return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(length));
}

QString hexDigest(const EVP_MD *md, const QString &string)
{
    const QByteArray utf8 = string.toUtf8();
    const QByteArray hash = digest(md, QByteArrayView(utf8.constData(), qstrlen(utf8.constData())));
    return CXHash::stringFromBytes(reinterpret_cast<const unsigned char *>(hash.constData()),
                                   hash.size());
}

QString hexHmac(const EVP_MD *md, const QString &string, const QString &key)
{
    const QByteArray message = string.toUtf8();
    const QByteArray secret = key.toUtf8();
    std::array<unsigned char, EVP_MAX_MD_SIZE> out {};
    unsigned int length = 0;
    if (!HMAC(md, secret.constData(), int(secret.size()),
              reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()),
              out.data(), &length))
        return {};
    return CXHash::stringFromBytes(out.data(), qsizetype(length));
}

QString hexFileDigest(const EVP_MD *md, const QString &path)
{
    QFile file(path);
    const DigestCtxPtr context(EVP_MD_CTX_new());
    if (!file.open(QIODevice::ReadOnly) || !context
        || !EVP_DigestInit_ex(context.get(), md, nullptr))
        return {};
    std::array<char, 4096> chunk {};
    for (;;) {
        const qint64 read = file.read(chunk.data(), qint64(chunk.size()));
        // A read error (a folder, a failing disk) is no digest of the file.
        if (read < 0)
            return {};
        if (read == 0)
            break;
        EVP_DigestUpdate(context.get(), chunk.data(), size_t(read));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> out {};
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(context.get(), out.data(), &length))
        return {};
    return CXHash::stringFromBytes(out.data(), qsizetype(length));
}

} // namespace

QString CXHash::md5String(const QString &string)
{
    return hexDigest(EVP_md5(), string);
}

QString CXHash::sha1String(const QString &string)
{
    return hexDigest(EVP_sha1(), string);
}

QString CXHash::sha256String(const QString &string)
{
    return hexDigest(EVP_sha256(), string);
}

QString CXHash::sha512String(const QString &string)
{
    return hexDigest(EVP_sha512(), string);
}

QString CXHash::hmacMD5StringWithKey(const QString &string, const QString &key)
{
    return hexHmac(EVP_md5(), string, key);
}

QString CXHash::hmacSHA1StringWithKey(const QString &string, const QString &key)
{
    return hexHmac(EVP_sha1(), string, key);
}

QString CXHash::hmacSHA256StringWithKey(const QString &string, const QString &key)
{
    return hexHmac(EVP_sha256(), string, key);
}

QString CXHash::hmacSHA512StringWithKey(const QString &string, const QString &key)
{
    return hexHmac(EVP_sha512(), string, key);
}

QString CXHash::fileMD5Hash(const QString &path)
{
    return hexFileDigest(EVP_md5(), path);
}

QString CXHash::fileSHA1Hash(const QString &path)
{
    return hexFileDigest(EVP_sha1(), path);
}

QString CXHash::fileSHA256Hash(const QString &path)
{
    return hexFileDigest(EVP_sha256(), path);
}

QString CXHash::fileSHA512Hash(const QString &path)
{
    return hexFileDigest(EVP_sha512(), path);
}

QString CXHash::sha1(const QString &string)
{
    const QByteArray hash = digest(EVP_sha1(), string.toUtf8());
    return stringFromBytes(reinterpret_cast<const unsigned char *>(hash.constData()), hash.size());
}

QString CXHash::sha1_base64(const QString &string)
{
    return CXBase64::stringByEncodingData(digest(EVP_sha1(), string.toUtf8()));
}

QString CXHash::base64(const QString &string)
{
    QByteArray ascii(string.size(), '?');
    for (qsizetype i = 0; i < string.size(); ++i) {
        if (string.at(i).unicode() < 0x80)
            ascii[i] = char(string.at(i).unicode());
    }
    return ascii.isEmpty() ? QStringLiteral("") : CXBase64::stringByEncodingData(ascii);
}

QString CXHash::stringFromBytes(const unsigned char *bytes, qsizetype length)
{
    if (!bytes || length <= 0)
        return {};
    return QString::fromLatin1(
        QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), length).toHex());
}
