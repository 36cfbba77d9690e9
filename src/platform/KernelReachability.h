#pragma once

#include "NetworkReachability.h"
#include "RouteQuery.h"

#include <QHostInfo>
#include <QList>
#include <QObject>

class RouteEventSocket;

// A reachability target over the Linux kernel's view of the network. A host
// name is resolved in the background and each of its addresses is asked for a
// route; the IPv4 zero address stands for any default route; a link-local
// IPv4 address stands for an active wireless link. While scheduled, kernel
// link, address and route events make the target look again, and the callback
// runs only when the flags differ from the last ones seen.
class KernelReachability : public QObject, public NetworkReachability
{
    Q_OBJECT
public:
    static std::unique_ptr<KernelReachability> forName(const QString &hostName);
    static std::unique_ptr<KernelReachability> forAddress(const QHostAddress &address);
    ~KernelReachability() override;

    std::optional<quint32> flags() const override;
    bool schedule() override;
    void unschedule() override;

private:
    KernelReachability(std::unique_ptr<RouteQuery> query, const QString &hostName,
                       const QHostAddress &address);
    void lookUp();
    void hostResolved(const QHostInfo &info);
    void kernelChanged();
    void reevaluate();
    std::optional<quint32> flagsForName() const;
    std::optional<quint32> flagsForAddress(const QHostAddress &address) const;
    std::optional<quint32> flagsForRoute(const RouteQuery::Answer &answer) const;

    std::unique_ptr<RouteQuery> m_query;
    std::unique_ptr<RouteEventSocket> m_events;
    QString m_hostName; // empty for an address target
    QHostAddress m_address;
    std::optional<QList<QHostAddress>> m_resolved; // absent until the first answer
    int m_lookupId = -1;
    bool m_lookingUp = false;
    std::optional<quint32> m_seen; // while scheduled: the flags last seen
};
