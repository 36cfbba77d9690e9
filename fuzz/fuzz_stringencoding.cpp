// Decoding of text by every radix codec, the otpauth secret codec and the text
// itself as an alphabet; what decodes must encode back to the same bytes.
#include "CXStringEncoding.h"
#include "OTPAuthURL.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    using E = CXStringEncoding;
    for (auto make :
         {&E::binaryStringEncoding, &E::hexStringEncoding, &E::rfc4648Base32StringEncoding,
          &E::rfc4648Base32HexStringEncoding, &E::crockfordBase32StringEncoding,
          &E::rfc4648Base64StringEncoding, &E::rfc4648Base64WebsafeStringEncoding}) {
        const auto codec = make();
        const QByteArray bytes = codec->decode(text);
        if (!bytes.isNull() && codec->decode(codec->encode(bytes)) != bytes)
            std::abort();
        (void)codec->stringByDecoding(text);
    }
    const QByteArray secret = OTPAuthURL::base32Decode(text);
    if (!secret.isNull() && OTPAuthURL::base32Decode(OTPAuthURL::encodeBase32(secret)) != secret)
        std::abort();
    if (auto custom = CXStringEncoding::stringEncodingWithString(text.left(128))) {
        custom->addDecodeSynonyms(text);
        (void)custom->decode(text);
    }
    return 0;
}
