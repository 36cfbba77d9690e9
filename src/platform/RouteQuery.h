#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <memory>
#include <optional>
#include <vector>

// Asks the kernel's routing table (rtnetlink) how a destination would be
// reached. The kernel answers within the request, so a question does not wait
// on the network.
class RouteQuery
{
public:
    struct Route
    {
        bool gateway = false; // the next hop is a router, not the destination
        bool local = false; // the destination is one of this machine's addresses
        int interfaceIndex = 0; // the outgoing interface, 0 when unknown
    };
    // readable false: the kernel could not be asked; route absent: no route.
    struct Answer
    {
        bool readable = false;
        std::optional<Route> route;
    };

    // Null when the routing socket cannot be opened.
    static std::unique_ptr<RouteQuery> open();
    RouteQuery(const RouteQuery &) = delete;
    RouteQuery &operator=(const RouteQuery &) = delete;
    ~RouteQuery();

    // The route the kernel would pick for this destination.
    Answer routeTo(const QHostAddress &destination);
    // The preferred default route (lowest metric, IPv4 before IPv6).
    Answer defaultRoute();

private:
    struct Message
    {
        quint16 type = 0;
        QByteArray body;
    };

    explicit RouteQuery(int fd);
    // The reply to one request; absent when the kernel could not be asked.
    std::optional<std::vector<Message>> exchange(quint16 flags, const QByteArray &payload);
    std::optional<std::vector<Message>> receive();

    int m_fd;
    quint32 m_sequence = 0;
};
