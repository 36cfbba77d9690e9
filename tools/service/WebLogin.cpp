#include "WebLogin.h"

#include "CryptorTools.h"

#include <QStringList>

WebLogin::WebLogin(const CryptorTools &privateTool)
    : m_privateTool(privateTool)
{ }

std::optional<WebLogin::LoginKey> WebLogin::readToken(QString token) const
{
    token.replace(QLatin1Char('-'), QLatin1Char('+')).replace(QLatin1Char('_'), QLatin1Char('/'));
    const QString key = m_privateTool.RSADecryptString(token);
    const QStringList parts = key.split(QLatin1Char('&'));
    if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty())
        return std::nullopt;
    return LoginKey {parts.at(0), parts.at(1)};
}
