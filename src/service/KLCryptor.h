#pragma once

#include <QString>
#include <memory>

class CryptorTools;

// The RSA tools of the three login targets (web site "m", main app "app",
// Pellin app), public and private. Each is created on its first request from
// the key compiled into this library and kept for the rest of the run, also
// when its key could not be loaded (it then holds none, and its results are
// null). Main thread only.
class KLCryptor
{
public:
    static CryptorTools *m_getRSAPublicTool();
    static CryptorTools *app_getRSAPublicTool();
    static CryptorTools *Pellin_getRSAPublicTool();
    static CryptorTools *m_getRSAPrivateTool();
    static CryptorTools *app_getRSAPrivateTool();
    static CryptorTools *Pellin_getRSAPrivateTool();

    // Where the key resource of that name and type ("der", "p12") lives.
    static QString resourcePath(const QString &name, const QString &type);

private:
    static std::unique_ptr<CryptorTools> publicTool(const QString &name);
    static std::unique_ptr<CryptorTools> privateTool(const QString &name, const QString &password);
};
