// Both Base64 decoders over raw bytes; what decodes must survive a round trip.
#include "CXBase64.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray standard = CXBase64::decodeData(input);
    const QByteArray webSafe = CXBase64::webSafeDecodeData(input);
    if ((!standard.isNull() && CXBase64::decodeData(CXBase64::encodeData(standard)) != standard)
        || (!webSafe.isNull()
            && CXBase64::webSafeDecodeData(CXBase64::webSafeEncodeData(webSafe, false)) != webSafe))
        std::abort();
    (void)CXBase64::decodeString(QString::fromLatin1(input));
    return 0;
}
