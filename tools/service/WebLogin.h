#pragma once

#include <QString>
#include <optional>

class CryptorTools;

// Reads the token the app hands to the web login: the login key
// "phone&code", encrypted with the web login's public key in one RSA block,
// in standard Base64 whose "+" and "/" the app turned into "-" and "_".
class WebLogin
{
public:
    struct LoginKey
    {
        QString phone;
        QString code;
    };

    // privateTool holds the web login's private key (or none: every token is
    // then refused); not owned.
    explicit WebLogin(const CryptorTools &privateTool);

    // nullopt unless the token decrypts to exactly "<phone>&<code>".
    std::optional<LoginKey> readToken(QString token) const;

private:
    const CryptorTools &m_privateTool;
};
