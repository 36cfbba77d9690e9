#pragma once

#include <QString>

// What kind of link a network interface is, read from sysfs, and whether a
// wireless link is in use.
class NetworkLink
{
public:
    static inline const QString sysfsRoot = QStringLiteral("/sys/class/net");

    // Interfaces with a wireless extension or a radio (phy80211).
    static bool isWireless(const QString &interfaceName, const QString &root = sysfsRoot);
    // Mobile-broadband modems: named wwan*, or reporting DEVTYPE=wwan.
    static bool isCellular(const QString &interfaceName, const QString &root = sysfsRoot);
    static bool isCellular(int interfaceIndex);
    // A wireless interface that is up, has carrier and holds an address.
    static bool wirelessLinkActive();
};
