// Both Base64 decoders over raw bytes; whatever decodes must survive a
// round trip through the matching encoder.
#include "CXBase64.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray standard = CXBase64::decodeData(input);
    if (!standard.isNull() && CXBase64::decodeData(CXBase64::encodeData(standard)) != standard)
        std::abort();
    const QByteArray webSafe = CXBase64::webSafeDecodeData(input);
    if (!webSafe.isNull()
        && CXBase64::webSafeDecodeData(CXBase64::webSafeEncodeData(webSafe, false)) != webSafe)
        std::abort();
    (void)CXBase64::decodeString(QString::fromLatin1(input));
    (void)CXBase64::encodeData(input);
    return 0;
}
