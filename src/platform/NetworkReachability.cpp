#include "NetworkReachability.h"

#include "KernelReachability.h"

NetworkReachability::~NetworkReachability() = default;

std::unique_ptr<NetworkReachability> NetworkReachability::createWithName(const QString &hostName)
{
    return KernelReachability::forName(hostName);
}

std::unique_ptr<NetworkReachability>
NetworkReachability::createWithAddress(const QHostAddress &address)
{
    return KernelReachability::forAddress(address);
}

bool NetworkReachability::setCallback(Callback callback)
{
    m_callback = std::move(callback);
    return true;
}

void NetworkReachability::notify(quint32 flags) const
{
    if (m_callback)
        m_callback(flags);
}
