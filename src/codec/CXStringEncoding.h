#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>

// A power-of-two radix codec driven by an alphabet: character i of the
// alphabet stands for the value i. Decoding can be widened with synonyms
// (other characters that decode like an alphabet character), characters to
// skip, and a padding character.
class CXStringEncoding
{
public:
    static std::unique_ptr<CXStringEncoding> binaryStringEncoding();
    static std::unique_ptr<CXStringEncoding> hexStringEncoding();
    static std::unique_ptr<CXStringEncoding> rfc4648Base32StringEncoding();
    static std::unique_ptr<CXStringEncoding> rfc4648Base32HexStringEncoding();
    static std::unique_ptr<CXStringEncoding> crockfordBase32StringEncoding();
    static std::unique_ptr<CXStringEncoding> rfc4648Base64StringEncoding();
    static std::unique_ptr<CXStringEncoding> rfc4648Base64WebsafeStringEncoding();

    // Null unless the alphabet is ASCII, 2 to 128 characters long, a power of
    // two in length, and free of repeated characters.
    static std::unique_ptr<CXStringEncoding> stringEncodingWithString(const QString &alphabet);
    static std::unique_ptr<CXStringEncoding> initWithString(const QString &alphabet);

    // The three decode-table editors take ASCII text; other characters are
    // skipped, as is NUL, which always ends the input of decode().
    void addDecodeSynonyms(const QString &synonyms);
    void ignoreCharacters(const QString &characters);
    void setPaddingChar(QChar paddingChar);

    bool doPad() const { return m_doPad; }
    void setDoPad(bool doPad) { m_doPad = doPad; }

    QString encode(const QByteArray &data) const;
    QString encodeString(const QString &string) const;
    // Null when the text holds a character outside the table, data after
    // padding, or a non-zero bit left over after the last whole byte.
    QByteArray decode(const QString &string) const;
    QString stringByDecoding(const QString &string) const;

    QString description() const;

private:
    enum Marker : int { Invalid = -1, Padding = -2, Ignored = -3 };
    static constexpr int tableSize = 128;

    explicit CXStringEncoding(const QByteArray &alphabet);
    static std::unique_ptr<CXStringEncoding> withSynonyms(const char *alphabet,
                                                          const char *synonyms);
    static std::unique_ptr<CXStringEncoding> withPadding(const char *alphabet);
    static bool isTableIndex(QChar c) { return c.unicode() > 0 && c.unicode() < tableSize; }

    QByteArray m_charMapData;
    std::array<int, tableSize> m_reverseCharMap {};
    int m_shift = 0;
    int m_mask = 0;
    int m_padLen = 0;
    bool m_doPad = false;
    char m_paddingChar = 0;
};
