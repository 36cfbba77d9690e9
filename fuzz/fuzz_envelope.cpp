// Feeds arbitrary replies through the client's reply handling: the first two bytes pick a status
// and a content type, the rest is the body. Whatever arrives, the outcome is a payload or one of
// the two user texts, and the lenient readers accept any payload.
#include "PXEnvelope.h"
#include "PXNetwork.h"
#include "PXServiceAPI.h"

#include <cmath>
#include <cstdlib>

namespace {
const int statuses[] = {200, 201, 204, 299, 300, 404, 500, -1};
const char *const contentTypes[] = {"text/html",        "text/html; charset=utf-8",
                                    "text/json",        "TEXT/JSON;x=y",
                                    "application/json", "",
                                    " text/html ",      "text/html;"};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int status = statuses[data[0] % std::size(statuses)];
    const QByteArray contentType(contentTypes[data[1] % std::size(contentTypes)]);
    const QByteArray body(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const PXEnvelope::Result result = PXEnvelope::decode(status, contentType, body);
    if (!result.ok) {
        if (result.payload.has_value()
            || (result.failureText != PXNetwork::networkFailureText()
                && result.failureText != PXNetwork::formatFailureText()))
            std::abort();
        return 0;
    }
    PXServiceAPI::readCode(result.payload);
    PXServiceAPI::readMsg(result.payload);
    if (!result.failureText.isNull() || !PXEnvelope::isAcceptedStatus(status)
        || !std::isfinite(PXServiceAPI::readMsgNumber(result.payload)))
        std::abort();
    return 0;
}
