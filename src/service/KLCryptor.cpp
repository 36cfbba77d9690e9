#include "KLCryptor.h"

#include "CryptorTools.h"

#include <QtCore/qresource.h>

CryptorTools *KLCryptor::m_getRSAPublicTool()
{
    static const std::unique_ptr<CryptorTools> tool = publicTool(QStringLiteral("m_public_key"));
    return tool.get();
}

CryptorTools *KLCryptor::app_getRSAPublicTool()
{
    static const std::unique_ptr<CryptorTools> tool = publicTool(QStringLiteral("app_public_key"));
    return tool.get();
}

CryptorTools *KLCryptor::Pellin_getRSAPublicTool()
{
    static const std::unique_ptr<CryptorTools> tool
        = publicTool(QStringLiteral("Pellin_public_key"));
    return tool.get();
}

CryptorTools *KLCryptor::m_getRSAPrivateTool()
{
    static const std::unique_ptr<CryptorTools> tool
        = privateTool(QStringLiteral("m_private_key"), QStringLiteral("m7"));
    return tool.get();
}

CryptorTools *KLCryptor::app_getRSAPrivateTool()
{
    static const std::unique_ptr<CryptorTools> tool
        = privateTool(QStringLiteral("app_private_key"), QStringLiteral("73qzr"));
    return tool.get();
}

CryptorTools *KLCryptor::Pellin_getRSAPrivateTool()
{
    static const std::unique_ptr<CryptorTools> tool
        = privateTool(QStringLiteral("Pellin_private_key"), QStringLiteral("41hvm"));
    return tool.get();
}

QString KLCryptor::resourcePath(const QString &name, const QString &type)
{
    // The keys are compiled into this static library; its resources are
    // registered only once something asks for them.
    Q_INIT_RESOURCE(KelvoKeys);
    return QStringLiteral(":/keys/%1.%2").arg(name, type);
}

std::unique_ptr<CryptorTools> KLCryptor::publicTool(const QString &name)
{
    auto tool = std::make_unique<CryptorTools>();
    tool->loadPublicKeyWithFilePath(resourcePath(name, QStringLiteral("der")));
    return tool;
}

std::unique_ptr<CryptorTools> KLCryptor::privateTool(const QString &name, const QString &password)
{
    auto tool = std::make_unique<CryptorTools>();
    tool->loadPrivateKey(resourcePath(name, QStringLiteral("p12")), password);
    return tool;
}
