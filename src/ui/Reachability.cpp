#include "Reachability.h"

#include "NetworkReachability.h"
#include "NotificationCenter.h"
#include "UiLog.h"

namespace {

using Flag = NetworkReachability::Flag;

char letter(quint32 flags, Flag flag, char shown)
{
    return (flags & flag) ? shown : '-';
}

void printReachabilityFlags(quint32 flags, const char *comment)
{
    qCDebug(lcUi, "Reachability Flag Status: %c%c %c%c%c%c%c%c%c %s\n",
            letter(flags, NetworkReachability::isCellular, 'W'),
            letter(flags, NetworkReachability::reachable, 'R'),
            letter(flags, NetworkReachability::transientConnection, 't'),
            letter(flags, NetworkReachability::connectionRequired, 'c'),
            letter(flags, NetworkReachability::connectionOnTraffic, 'C'),
            letter(flags, NetworkReachability::interventionRequired, 'i'),
            letter(flags, NetworkReachability::connectionOnDemand, 'D'),
            letter(flags, NetworkReachability::isLocalAddress, 'l'),
            letter(flags, NetworkReachability::isDirect, 'd'), comment);
}

} // namespace

std::unique_ptr<Reachability> Reachability::wrap(std::unique_ptr<NetworkReachability> handle)
{
    if (!handle)
        return nullptr;
    return std::make_unique<Reachability>(std::move(handle));
}

std::unique_ptr<Reachability> Reachability::reachabilityWithHostName(const QString &hostName)
{
    return wrap(NetworkReachability::createWithName(hostName));
}

std::unique_ptr<Reachability> Reachability::reachabilityWithAddress(const QHostAddress &hostAddress)
{
    if (hostAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return nullptr;
    return wrap(NetworkReachability::createWithAddress(hostAddress));
}

std::unique_ptr<Reachability> Reachability::reachabilityForInternetConnection()
{
    return reachabilityWithAddress(QHostAddress(QHostAddress::AnyIPv4));
}

std::unique_ptr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    auto reachability = reachabilityWithAddress(QHostAddress(QStringLiteral("169.254.0.0")));
    if (reachability)
        reachability->setAlwaysReturnLocalWiFiStatus(true);
    return reachability;
}

Reachability::Reachability(std::unique_ptr<NetworkReachability> handle)
    : m_handle(std::move(handle))
{ }

Reachability::~Reachability()
{
    stopNotifier();
}

bool Reachability::startNotifier()
{
    if (!m_handle)
        return false;
    const bool accepted = m_handle->setCallback([this](quint32) {
        NotificationCenter::defaultCenter().postNotification(reachabilityChangedNotification, this);
    });
    return accepted && m_handle->schedule();
}

void Reachability::stopNotifier()
{
    if (m_handle)
        m_handle->unschedule();
}

int Reachability::currentReachabilityStatus() const
{
    const std::optional<quint32> flags = m_handle ? m_handle->flags() : std::nullopt;
    if (!flags)
        return notReachable;
    return m_alwaysReturnLocalWiFiStatus ? localWiFiStatusForFlags(*flags)
                                         : networkStatusForFlags(*flags);
}

bool Reachability::connectionRequired() const
{
    const std::optional<quint32> flags = m_handle ? m_handle->flags() : std::nullopt;
    return flags && (*flags & NetworkReachability::connectionRequired);
}

int Reachability::networkStatusForFlags(quint32 flags) const
{
    printReachabilityFlags(flags, "networkStatusForFlags");
    if (!(flags & NetworkReachability::reachable))
        return notReachable;
    if (flags & NetworkReachability::isCellular)
        return reachableViaCellular;
    const bool onDemand = flags
        & (NetworkReachability::connectionOnTraffic | NetworkReachability::connectionOnDemand);
    if (!(flags & NetworkReachability::interventionRequired) && onDemand)
        return reachableViaWiFi;
    return (flags & NetworkReachability::connectionRequired) ? notReachable : reachableViaWiFi;
}

int Reachability::localWiFiStatusForFlags(quint32 flags) const
{
    printReachabilityFlags(flags, "localWiFiStatusForFlags");
    const quint32 both = NetworkReachability::reachable | NetworkReachability::isDirect;
    return (flags & both) == both ? reachableViaWiFi : notReachable;
}
