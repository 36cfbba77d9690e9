#include "DeviceInfo.h"

#include <KelvoConfig.h>

#include <QCryptographicHash>
#include <QFile>
#include <QSysInfo>

namespace {
QString &fixedIdentifier()
{
    static QString value;
    return value;
}

QString &fixedVersion()
{
    static QString value;
    return value;
}

QByteArray readMachineId()
{
    for (const char *path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray id = file.read(256).trimmed();
            if (!id.isEmpty())
                return id;
        }
    }
    return {};
}
} // namespace

QString DeviceInfo::identifierFrom(const QByteArray &machineId, const QString &appId)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(machineId);
    hash.addData(QByteArrayView("\n"));
    hash.addData(appId.toUtf8());
    const QByteArray hex = hash.result().left(16).toHex().toUpper();
    return QString::fromLatin1(hex.mid(0, 8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-'
                               + hex.mid(16, 4) + '-' + hex.mid(20, 12));
}

QString DeviceInfo::identifierForVendor()
{
    if (!fixedIdentifier().isEmpty())
        return fixedIdentifier();
    const QByteArray machineId = readMachineId();
    if (machineId.isEmpty())
        return {};
    return identifierFrom(machineId, QString::fromLatin1(KelvoConfig::bundleIdentifier));
}

QString DeviceInfo::systemVersion()
{
    if (!fixedVersion().isEmpty())
        return fixedVersion();
    return QSysInfo::productVersion();
}

void DeviceInfo::setFixedValues(const QString &identifier, const QString &systemVersion)
{
    fixedIdentifier() = identifier;
    fixedVersion() = systemVersion;
}
