#include "CXBase64.h"

#include <array>

namespace {

constexpr char standardAlphabet[]
    = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char webSafeAlphabet[]
    = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr char padChar = '=';
constexpr qint8 invalid = -1;

using DecodeTable = std::array<qint8, 256>;

constexpr DecodeTable makeDecodeTable(const char *alphabet)
{
    DecodeTable table {};
    for (auto &entry : table)
        entry = invalid;
    for (int i = 0; i < 64; ++i)
        table[uchar(alphabet[i])] = qint8(i);
    return table;
}

constexpr DecodeTable standardTable = makeDecodeTable(standardAlphabet);
constexpr DecodeTable webSafeTable = makeDecodeTable(webSafeAlphabet);

const char *alphabetFor(CXBase64::Charset charset)
{
    return charset == CXBase64::Charset::Standard ? standardAlphabet : webSafeAlphabet;
}

const DecodeTable &tableFor(CXBase64::Charset charset)
{
    return charset == CXBase64::Charset::Standard ? standardTable : webSafeTable;
}

bool isSpace(uchar c)
{
    // 160 and 255 are the Latin-1 no-break space and y-diaeresis, which some
    // mailers leave in wrapped text.
    return c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 32 || c == 160 || c == 255;
}

// Walks the text after a '=' that ended the data. With two characters into
// the group a second '=' must follow; after the padding only whitespace may
// come, up to the end or a NUL.
bool acceptPadding(const char *src, qsizetype srcLen, qsizetype pos, int state)
{
    if (state < 2)
        return false;
    if (state == 2) {
        while (pos < srcLen && isSpace(uchar(src[pos])))
            ++pos;
        if (pos >= srcLen || src[pos] != padChar)
            return false;
        ++pos;
    }
    for (; pos < srcLen && src[pos] != '\0'; ++pos) {
        if (!isSpace(uchar(src[pos])))
            return false;
    }
    return true;
}

} // namespace

qsizetype CXBase64::encodedLength(qsizetype srcLen, bool padded)
{
    if (padded)
        return (srcLen + 2) / 3 * 4;
    return (srcLen * 8 + 5) / 6;
}

qsizetype CXBase64::decodedCapacity(qsizetype srcLen)
{
    return (srcLen + 3) / 4 * 3;
}

qsizetype CXBase64::baseEncode(const char *srcBytes, qsizetype srcLen, char *destBytes,
                               qsizetype destLen, Charset charset, bool padded)
{
    if (!srcBytes || !destBytes || srcLen <= 0 || destLen < encodedLength(srcLen, padded))
        return 0;
    const char *alphabet = alphabetFor(charset);
    const auto *src = reinterpret_cast<const uchar *>(srcBytes);
    qsizetype out = 0;
    qsizetype i = 0;
    for (; i + 3 <= srcLen; i += 3) {
        const quint32 group = quint32(src[i]) << 16 | quint32(src[i + 1]) << 8 | src[i + 2];
        destBytes[out++] = alphabet[(group >> 18) & 0x3f];
        destBytes[out++] = alphabet[(group >> 12) & 0x3f];
        destBytes[out++] = alphabet[(group >> 6) & 0x3f];
        destBytes[out++] = alphabet[group & 0x3f];
    }
    const qsizetype rest = srcLen - i;
    if (rest == 0)
        return out;
    const quint32 group = quint32(src[i]) << 16 | (rest == 2 ? quint32(src[i + 1]) << 8 : 0);
    destBytes[out++] = alphabet[(group >> 18) & 0x3f];
    destBytes[out++] = alphabet[(group >> 12) & 0x3f];
    if (rest == 2)
        destBytes[out++] = alphabet[(group >> 6) & 0x3f];
    if (padded) {
        destBytes[out++] = padChar;
        if (rest == 1)
            destBytes[out++] = padChar;
    }
    return out;
}

qsizetype CXBase64::baseDecode(const char *srcBytes, qsizetype srcLen, char *destBytes,
                               qsizetype destLen, Charset charset, bool requirePadding)
{
    if (!srcBytes || !destBytes || srcLen <= 0 || destLen <= 0)
        return 0;
    const DecodeTable &table = tableFor(charset);
    qsizetype out = 0;
    quint32 buffer = 0;
    int bits = 0;
    int state = 0;
    qsizetype pos = 0;
    bool padded = false;
    for (; pos < srcLen; ++pos) {
        const uchar c = uchar(srcBytes[pos]);
        if (c == '\0')
            break;
        if (isSpace(c))
            continue;
        if (c == padChar) {
            padded = true;
            break;
        }
        const qint8 value = table[c];
        if (value == invalid)
            return 0;
        buffer = (buffer << 6) | quint32(value);
        bits += 6;
        state = (state + 1) % 4;
        if (bits >= 8) {
            if (out >= destLen)
                return 0;
            bits -= 8;
            destBytes[out++] = char((buffer >> bits) & 0xff);
            buffer &= (1u << bits) - 1;
        }
    }
    if (padded) {
        if (!acceptPadding(srcBytes, srcLen, pos + 1, state))
            return 0;
    } else if (requirePadding ? state != 0 : state == 1) {
        return 0;
    }
    // Bits of a partial group that do not make a whole byte must be zero, so
    // every text has exactly one decoding.
    if (buffer != 0)
        return 0;
    return out;
}

QByteArray CXBase64::encode(const void *bytes, qsizetype length, Charset charset, bool padded)
{
    if (!bytes || length <= 0)
        return {};
    QByteArray out(encodedLength(length, padded), Qt::Uninitialized);
    const qsizetype written = baseEncode(static_cast<const char *>(bytes), length, out.data(),
                                         out.size(), charset, padded);
    if (written == 0)
        return {};
    out.truncate(written);
    return out;
}

QByteArray CXBase64::decode(const void *bytes, qsizetype length, Charset charset,
                            bool requirePadding)
{
    if (!bytes || length <= 0)
        return {};
    QByteArray out(decodedCapacity(length), Qt::Uninitialized);
    const qsizetype written = baseDecode(static_cast<const char *>(bytes), length, out.data(),
                                         out.size(), charset, requirePadding);
    if (written == 0)
        return {};
    out.truncate(written);
    return out;
}

QByteArray CXBase64::asciiBytes(const QString &string)
{
    QByteArray bytes(string.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t c = string.at(i).unicode();
        if (c > 0x7f)
            return {};
        bytes[i] = char(c);
    }
    return bytes;
}

QByteArray CXBase64::encodeData(const QByteArray &data)
{
    return encode(data.constData(), data.size(), Charset::Standard, true);
}

QByteArray CXBase64::encodeBytes(const void *bytes, qsizetype length)
{
    return encode(bytes, length, Charset::Standard, true);
}

QString CXBase64::stringByEncodingData(const QByteArray &data)
{
    return QString::fromLatin1(encodeData(data));
}

QString CXBase64::stringByEncodingBytes(const void *bytes, qsizetype length)
{
    return QString::fromLatin1(encodeBytes(bytes, length));
}

QByteArray CXBase64::decodeData(const QByteArray &data)
{
    return decode(data.constData(), data.size(), Charset::Standard, true);
}

QByteArray CXBase64::decodeBytes(const void *bytes, qsizetype length)
{
    return decode(bytes, length, Charset::Standard, true);
}

QByteArray CXBase64::decodeString(const QString &string)
{
    return decodeData(asciiBytes(string));
}

QByteArray CXBase64::webSafeEncodeData(const QByteArray &data, bool padded)
{
    return encode(data.constData(), data.size(), Charset::WebSafe, padded);
}

QByteArray CXBase64::webSafeEncodeBytes(const void *bytes, qsizetype length, bool padded)
{
    return encode(bytes, length, Charset::WebSafe, padded);
}

QString CXBase64::stringByWebSafeEncodingData(const QByteArray &data, bool padded)
{
    return QString::fromLatin1(webSafeEncodeData(data, padded));
}

QString CXBase64::stringByWebSafeEncodingBytes(const void *bytes, qsizetype length, bool padded)
{
    return QString::fromLatin1(webSafeEncodeBytes(bytes, length, padded));
}

QByteArray CXBase64::webSafeDecodeData(const QByteArray &data)
{
    return decode(data.constData(), data.size(), Charset::WebSafe, false);
}

QByteArray CXBase64::webSafeDecodeBytes(const void *bytes, qsizetype length)
{
    return decode(bytes, length, Charset::WebSafe, false);
}

QByteArray CXBase64::webSafeDecodeString(const QString &string)
{
    return webSafeDecodeData(asciiBytes(string));
}
