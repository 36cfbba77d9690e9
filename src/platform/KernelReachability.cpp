#include "KernelReachability.h"

#include "NetworkLink.h"
#include "PlatformLog.h"
#include "RouteEventSocket.h"

namespace {

bool isIPv4Any(const QHostAddress &address)
{
    bool ok = false;
    return address.toIPv4Address(&ok) == 0 && ok;
}

bool isIPv4LinkLocal(const QHostAddress &address)
{
    bool ok = false;
    return (address.toIPv4Address(&ok) >> 16) == 0xA9FE && ok; // 169.254.0.0/16
}

} // namespace

std::unique_ptr<KernelReachability> KernelReachability::forName(const QString &hostName)
{
    if (hostName.trimmed().isEmpty())
        return nullptr;
    auto query = RouteQuery::open();
    if (!query)
        return nullptr;
    std::unique_ptr<KernelReachability> target(
        new KernelReachability(std::move(query), hostName, QHostAddress()));
    target->lookUp();
    return target;
}

std::unique_ptr<KernelReachability> KernelReachability::forAddress(const QHostAddress &address)
{
    if (address.isNull())
        return nullptr;
    auto query = RouteQuery::open();
    if (!query)
        return nullptr;
    return std::unique_ptr<KernelReachability>(
        new KernelReachability(std::move(query), QString(), address));
}

KernelReachability::KernelReachability(std::unique_ptr<RouteQuery> query, const QString &hostName,
                                       const QHostAddress &address)
    : m_query(std::move(query))
    , m_hostName(hostName)
    , m_address(address)
{ }

KernelReachability::~KernelReachability()
{
    if (m_lookingUp)
        QHostInfo::abortHostLookup(m_lookupId);
}

std::optional<quint32> KernelReachability::flags() const
{
    return m_hostName.isEmpty() ? flagsForAddress(m_address) : flagsForName();
}

bool KernelReachability::schedule()
{
    if (m_events)
        return true;
    m_events = RouteEventSocket::open();
    if (!m_events)
        return false;
    connect(m_events.get(), &RouteEventSocket::changed, this, &KernelReachability::kernelChanged);
    m_seen = flags();
    return true;
}

void KernelReachability::unschedule()
{
    m_events.reset();
    m_seen.reset();
}

void KernelReachability::lookUp()
{
    // The resolver may be slow or offline; its answer comes back through the
    // event loop, so the caller never waits for it.
    m_lookingUp = true;
    m_lookupId = QHostInfo::lookupHost(m_hostName, this, &KernelReachability::hostResolved);
}

void KernelReachability::hostResolved(const QHostInfo &info)
{
    m_lookingUp = false;
    if (info.error() != QHostInfo::NoError)
        qCDebug(lcPlatform) << "reachability: cannot resolve" << m_hostName << info.errorString();
    m_resolved = info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>();
    reevaluate();
}

void KernelReachability::kernelChanged()
{
    // A name that failed to resolve (started offline) gets another chance
    // whenever the network changes.
    if (!m_hostName.isEmpty() && m_resolved && m_resolved->isEmpty() && !m_lookingUp)
        lookUp();
    reevaluate();
}

void KernelReachability::reevaluate()
{
    if (!m_events)
        return;
    const std::optional<quint32> now = flags();
    if (!now)
        return;
    // The first readable flags are where the target starts, not a change.
    const bool changed = m_seen && *m_seen != *now;
    m_seen = now;
    if (changed)
        notify(*now);
}

std::optional<quint32> KernelReachability::flagsForName() const
{
    if (!m_resolved)
        return std::nullopt;
    std::optional<quint32> result;
    for (const QHostAddress &address : *m_resolved) {
        const auto answer = m_query->routeTo(address);
        const auto flags = flagsForRoute(answer);
        if (flags && (*flags & reachable))
            return flags;
        if (flags)
            result = flags;
    }
    if (m_resolved->isEmpty())
        return 0u;
    return result;
}

std::optional<quint32> KernelReachability::flagsForAddress(const QHostAddress &address) const
{
    if (isIPv4Any(address))
        return flagsForRoute(m_query->defaultRoute());
    if (isIPv4LinkLocal(address))
        return NetworkLink::wirelessLinkActive() ? quint32(reachable | isDirect) : 0u;
    return flagsForRoute(m_query->routeTo(address));
}

std::optional<quint32> KernelReachability::flagsForRoute(const RouteQuery::Answer &answer) const
{
    if (!answer.readable)
        return std::nullopt;
    if (!answer.route)
        return 0u;
    quint32 result = reachable;
    if (!answer.route->gateway)
        result |= isDirect;
    if (answer.route->local)
        result |= isLocalAddress;
    if (NetworkLink::isCellular(answer.route->interfaceIndex))
        result |= isCellular;
    return result;
}
