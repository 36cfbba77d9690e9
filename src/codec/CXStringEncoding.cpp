#include "CXStringEncoding.h"

#include <QStringDecoder>

#include <bit>
#include <numeric>

namespace {

// Returns null when any character is outside ASCII.
QByteArray asciiBytes(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c > 0x7f)
            return {};
        bytes[i] = char(c);
    }
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

} // namespace

CXStringEncoding::CXStringEncoding(const QByteArray &alphabet)
    : m_charMapData(alphabet)
{
    m_reverseCharMap.fill(Invalid);
    m_shift = std::countr_zero(unsigned(alphabet.size()));
    m_mask = (1 << m_shift) - 1;
    m_padLen = std::lcm(m_shift, 8) / m_shift;
    for (qsizetype i = 0; i < alphabet.size(); ++i)
        m_reverseCharMap[uchar(alphabet.at(i))] = int(i);
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::initWithString(const QString &alphabet)
{
    const QByteArray bytes = asciiBytes(alphabet);
    const qsizetype length = bytes.size();
    if (bytes.isNull() || length < 2 || length > tableSize || !std::has_single_bit(quint64(length)))
        return nullptr;
    std::array<bool, tableSize> seen {};
    for (const char c : bytes) {
        if (seen[uchar(c)])
            return nullptr;
        seen[uchar(c)] = true;
    }
    return std::unique_ptr<CXStringEncoding>(new CXStringEncoding(bytes));
}

std::unique_ptr<CXStringEncoding>
CXStringEncoding::stringEncodingWithString(const QString &alphabet)
{
    return initWithString(alphabet);
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::withSynonyms(const char *alphabet,
                                                                 const char *synonyms)
{
    auto codec = initWithString(QString::fromLatin1(alphabet));
    if (codec && synonyms)
        codec->addDecodeSynonyms(QString::fromLatin1(synonyms));
    return codec;
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::withPadding(const char *alphabet)
{
    auto codec = initWithString(QString::fromLatin1(alphabet));
    if (codec) {
        codec->setPaddingChar(QLatin1Char('='));
        codec->setDoPad(true);
    }
    return codec;
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::binaryStringEncoding()
{
    return withSynonyms("01", nullptr);
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::hexStringEncoding()
{
    return withSynonyms("0123456789ABCDEF", "AaBbCcDdEeFf");
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::rfc4648Base32StringEncoding()
{
    return withPadding("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567");
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::rfc4648Base32HexStringEncoding()
{
    return withPadding("0123456789ABCDEFGHIJKLMNOPQRSTUV");
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::crockfordBase32StringEncoding()
{
    return withSynonyms("0123456789ABCDEFGHJKMNPQRSTVWXYZ",
                        "0oO1iIlLAaBbCcDdEeFfGgHhJjKkMmNnPpQqRrSsTtVvWwXxYyZz");
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::rfc4648Base64StringEncoding()
{
    return withPadding("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

std::unique_ptr<CXStringEncoding> CXStringEncoding::rfc4648Base64WebsafeStringEncoding()
{
    return withPadding("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
}

void CXStringEncoding::addDecodeSynonyms(const QString &synonyms)
{
    int current = Invalid;
    for (const QChar c : synonyms) {
        if (!isTableIndex(c))
            continue;
        int &entry = m_reverseCharMap[c.unicode()];
        if (entry != Invalid)
            current = entry;
        else
            entry = current;
    }
}

void CXStringEncoding::ignoreCharacters(const QString &characters)
{
    for (const QChar c : characters) {
        if (isTableIndex(c))
            m_reverseCharMap[c.unicode()] = Ignored;
    }
}

void CXStringEncoding::setPaddingChar(QChar paddingChar)
{
    if (!isTableIndex(paddingChar))
        return;
    m_paddingChar = char(paddingChar.unicode());
    m_reverseCharMap[paddingChar.unicode()] = Padding;
}

QString CXStringEncoding::encode(const QByteArray &data) const
{
    if (data.isEmpty())
        return QString::fromLatin1("");
    qsizetype length = (data.size() * 8 + m_shift - 1) / m_shift;
    if (m_doPad)
        length = (length + m_padLen - 1) / m_padLen * m_padLen;
    QByteArray out;
    out.reserve(length);
    // The accumulator holds fewer than shift + 8 bits at any time, so it
    // never overflows however long the input is.
    unsigned buffer = 0;
    int bits = 0;
    for (const char byte : data) {
        buffer = (buffer << 8) | uchar(byte);
        bits += 8;
        while (bits >= m_shift) {
            bits -= m_shift;
            out.append(m_charMapData.at((buffer >> bits) & unsigned(m_mask)));
        }
        buffer &= (1u << bits) - 1;
    }
    if (bits > 0)
        out.append(m_charMapData.at((buffer << (m_shift - bits)) & unsigned(m_mask)));
    while (out.size() < length)
        out.append(m_paddingChar);
    return QString::fromLatin1(out);
}

QString CXStringEncoding::encodeString(const QString &string) const
{
    return encode(string.toUtf8());
}

QByteArray CXStringEncoding::decode(const QString &string) const
{
    const QByteArray text = asciiBytes(string);
    if (text.isNull())
        return {};
    QByteArray out;
    out.reserve(text.size() * m_shift / 8 + 1);
    unsigned buffer = 0;
    int bits = 0;
    bool padding = false;
    for (const char c : text) {
        if (c == '\0')
            break;
        const int value = m_reverseCharMap[uchar(c)];
        if (value == Ignored)
            continue;
        if (value == Padding) {
            padding = true;
            continue;
        }
        if (value == Invalid || padding)
            return {};
        buffer = (buffer << m_shift) | unsigned(value);
        bits += m_shift;
        if (bits >= 8) {
            bits -= 8;
            out.append(char((buffer >> bits) & 0xffu));
        }
        buffer &= (1u << bits) - 1;
    }
    if (buffer != 0)
        return {};
    if (out.isNull())
        out = QByteArray("");
    return out;
}

QString CXStringEncoding::stringByDecoding(const QString &string) const
{
    const QByteArray bytes = decode(string);
    if (bytes.isNull())
        return {};
    // Every decoded character counts, a leading byte-order mark too.
    QStringDecoder toUtf16(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    QString text = toUtf16.decode(bytes);
    if (toUtf16.hasError())
        return {};
    if (text.isNull())
        text = QString::fromLatin1("");
    return text;
}

QString CXStringEncoding::description() const
{
    return QStringLiteral("<Base%1 StringEncoder: %2>")
        .arg(1 << m_shift)
        .arg(QString::fromLatin1(m_charMapData));
}
