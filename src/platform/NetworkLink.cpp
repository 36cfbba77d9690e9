#include "NetworkLink.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>

bool NetworkLink::isWireless(const QString &interfaceName, const QString &root)
{
    const QString dir = root + u'/' + interfaceName;
    return QFileInfo::exists(dir + QStringLiteral("/wireless"))
        || QFileInfo::exists(dir + QStringLiteral("/phy80211"));
}

bool NetworkLink::isCellular(const QString &interfaceName, const QString &root)
{
    if (interfaceName.startsWith(QStringLiteral("wwan")))
        return true;
    QFile uevent(root + u'/' + interfaceName + QStringLiteral("/uevent"));
    if (!uevent.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = uevent.read(4096).split('\n');
    return lines.contains(QByteArrayLiteral("DEVTYPE=wwan"));
}

bool NetworkLink::isCellular(int interfaceIndex)
{
    const QString name = QNetworkInterface::interfaceNameFromIndex(interfaceIndex);
    return !name.isEmpty() && isCellular(name);
}

bool NetworkLink::wirelessLinkActive()
{
    const auto active = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::any_of(interfaces.begin(), interfaces.end(), [&](const QNetworkInterface &i) {
        return (i.flags() & active) == active && !i.addressEntries().isEmpty()
            && isWireless(i.name());
    });
}
