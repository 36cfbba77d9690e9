// Account URL parsing; an account that parses must write a URL that parses
// again to the same text, except under a one-second period (written "period=0",
// which no reader accepts), where it must only not crash.
#include "OTPAuthURL.h"
#include "TOTPGenerator.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &secret : {QByteArray(), QByteArray("k")}) {
        const auto account = OTPAuthURL::authURLWithURL(text, secret);
        if (!account)
            continue;
        (void)account->otpCode();
        (void)account->description();
        const QString written = account->url().toString(QUrl::FullyEncoded);
        const auto *totp = dynamic_cast<const TOTPGenerator *>(account->generator().get());
        if (totp && totp->period() < 1.0)
            continue;
        const auto again = OTPAuthURL::authURLWithURL(written, account->generator()->secret());
        if (!again || again->url().toString(QUrl::FullyEncoded) != written)
            std::abort();
    }
    return 0;
}
