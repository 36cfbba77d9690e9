#pragma once

#include <QByteArray>
#include <QString>

// The phone's per-vendor device identifier and system version. On the desktop
// the identifier is derived from the machine id and the bundle identifier, so
// it is stable for this app on this machine and differs between apps.
class DeviceInfo
{
public:
    // Upper-case 8-4-4-4-12 UUID text, or a null string when no machine id
    // can be read.
    static QString identifierForVendor();
    static QString systemVersion();

    // SHA-256 of machineId + "\n" + appId, first 16 bytes as UUID text.
    static QString identifierFrom(const QByteArray &machineId, const QString &appId);

    // Tests pin both values; an empty string releases the pin.
    static void setFixedValues(const QString &identifier, const QString &systemVersion);
};
