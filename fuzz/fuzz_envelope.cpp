// Feeds arbitrary replies through the client's reply handling: the first two
// bytes pick a status and a content type, the rest is the body. Whatever
// arrives, the outcome is a payload or one of the two user texts, and the
// lenient readers accept any payload.
#include "PXEnvelope.h"
#include "PXNetwork.h"
#include "PXServiceAPI.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

const int statuses[] = {200, 201, 204, 299, 300, 404, 500, -1};
const char *const contentTypes[] = {
    "text/html",        "text/html; charset=utf-8",
    "text/json",        "TEXT/JSON;x=y",
    "application/json", "",
    " text/html ",      "text/html;",
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

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
        check(result.failureText == PXNetwork::networkFailureText()
              || result.failureText == PXNetwork::formatFailureText());
        check(!result.payload.has_value());
        return 0;
    }
    check(result.failureText.isNull());
    check(PXEnvelope::isAcceptedStatus(status));
    PXServiceAPI::readCode(result.payload);
    PXServiceAPI::readMsg(result.payload);
    check(std::isfinite(PXServiceAPI::readMsgNumber(result.payload)));
    return 0;
}
