#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// The kernel's routing-event socket, subscribed to link, address and route
// changes of IPv4 and IPv6. It wakes the event loop only when the kernel has
// something to say, so watching costs nothing while the network is quiet.
class RouteEventSocket : public QObject
{
    Q_OBJECT
public:
    // Null when the socket cannot be opened or subscribed.
    static std::unique_ptr<RouteEventSocket> open();
    ~RouteEventSocket() override;

Q_SIGNALS:
    // Once per burst of kernel messages (or a lost burst: the socket overran).
    void changed();

private:
    explicit RouteEventSocket(int fd);
    void drain();

    int m_fd;
    QSocketNotifier m_notifier;
};
