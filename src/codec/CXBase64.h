#pragma once

#include <QByteArray>
#include <QString>

// Fixed-table Base64 (RFC 4648) over the standard alphabet ("+/") and the
// URL-safe one ("-_"). The standard encoders always pad and the standard
// decoders insist on padding; the URL-safe family pads on request and
// decodes either way. Every wrapper answers null for empty results, so an
// empty input encodes to null. Pure functions: safe from any thread.
class CXBase64
{
public:
    enum class Charset { Standard, WebSafe };

    static QByteArray encodeData(const QByteArray &data);
    static QByteArray encodeBytes(const void *bytes, qsizetype length);
    static QString stringByEncodingData(const QByteArray &data);
    static QString stringByEncodingBytes(const void *bytes, qsizetype length);

    static QByteArray decodeData(const QByteArray &data);
    static QByteArray decodeBytes(const void *bytes, qsizetype length);
    static QByteArray decodeString(const QString &string);

    static QByteArray webSafeEncodeData(const QByteArray &data, bool padded);
    static QByteArray webSafeEncodeBytes(const void *bytes, qsizetype length, bool padded);
    static QString stringByWebSafeEncodingData(const QByteArray &data, bool padded);
    static QString stringByWebSafeEncodingBytes(const void *bytes, qsizetype length, bool padded);

    static QByteArray webSafeDecodeData(const QByteArray &data);
    static QByteArray webSafeDecodeBytes(const void *bytes, qsizetype length);
    static QByteArray webSafeDecodeString(const QString &string);

    // The cores behind every wrapper. They write into the caller's buffer
    // and return the number of bytes written; 0 means failure (or nothing
    // to do), including a destination too small for the result.
    static qsizetype baseEncode(const char *srcBytes, qsizetype srcLen, char *destBytes,
                                qsizetype destLen, Charset charset, bool padded);
    static qsizetype baseDecode(const char *srcBytes, qsizetype srcLen, char *destBytes,
                                qsizetype destLen, Charset charset, bool requirePadding);

    static qsizetype encodedLength(qsizetype srcLen, bool padded);
    static qsizetype decodedCapacity(qsizetype srcLen);

private:
    static QByteArray encode(const void *bytes, qsizetype length, Charset charset, bool padded);
    static QByteArray decode(const void *bytes, qsizetype length, Charset charset,
                             bool requirePadding);
    static QByteArray asciiBytes(const QString &string);
};
