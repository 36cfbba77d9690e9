// Feeds the reference service's web login token reader. The first byte picks
// the form: the rest as the token text a browser sends, or as a login key
// the app would encrypt, which must then read back exactly when it is
// "<phone>&<code>" with both parts present.
// The reader belongs to the service program, so its source is built in here.
#include "../tools/service/WebLogin.cpp"

#include "KLCryptor.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const WebLogin login(*KLCryptor::m_getRSAPrivateTool());
    if (size == 0)
        return 0;
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    if (data[0] % 2 == 0) {
        (void)login.readToken(text);
        return 0;
    }
    QString token = KLCryptor::m_getRSAPublicTool()->RSAEncryptString(text);
    token.replace(QLatin1Char('+'), QLatin1Char('-')).replace(QLatin1Char('/'), QLatin1Char('_'));
    const auto key = login.readToken(token);
    const QStringList parts = text.split(QLatin1Char('&'));
    const bool wellFormed
        = !token.isEmpty() && parts.size() == 2 && !parts.at(0).isEmpty() && !parts.at(1).isEmpty();
    if (key.has_value() != wellFormed || (key && key->phone + QLatin1Char('&') + key->code != text))
        std::abort();
    return 0;
}
