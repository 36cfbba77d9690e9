// Decoding of text by every radix codec, including the otpauth secret codec;
// what decodes must encode back to text that decodes to the same bytes.
#include "CXStringEncoding.h"
#include "OTPAuthURL.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::unique_ptr<CXStringEncoding> codecs[] = {
        CXStringEncoding::binaryStringEncoding(),
        CXStringEncoding::hexStringEncoding(),
        CXStringEncoding::rfc4648Base32StringEncoding(),
        CXStringEncoding::rfc4648Base32HexStringEncoding(),
        CXStringEncoding::crockfordBase32StringEncoding(),
        CXStringEncoding::rfc4648Base64StringEncoding(),
        CXStringEncoding::rfc4648Base64WebsafeStringEncoding(),
    };
    for (const auto &codec : codecs) {
        const QByteArray bytes = codec->decode(text);
        if (!bytes.isNull() && codec->decode(codec->encode(bytes)) != bytes)
            std::abort();
        (void)codec->stringByDecoding(text);
    }
    const QByteArray secret = OTPAuthURL::base32Decode(text);
    if (!secret.isNull() && OTPAuthURL::base32Decode(OTPAuthURL::encodeBase32(secret)) != secret)
        std::abort();
    // The text as an alphabet, too.
    if (auto custom = CXStringEncoding::stringEncodingWithString(text.left(128))) {
        custom->addDecodeSynonyms(text);
        (void)custom->decode(text);
    }
    return 0;
}
