#include "RouteEventSocket.h"

#include "PlatformLog.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

std::unique_ptr<RouteEventSocket> RouteEventSocket::open()
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) {
        qCWarning(lcPlatform) << "routing events: socket:" << std::strerror(errno);
        return nullptr;
    }
    sockaddr_nl local {};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR
        | RTMGRP_IPV6_ROUTE;
    sockaddr address {};
    std::memcpy(&address, &local, sizeof local);
    if (::bind(fd, &address, sizeof local) != 0) {
        qCWarning(lcPlatform) << "routing events: bind:" << std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<RouteEventSocket>(new RouteEventSocket(fd));
}

RouteEventSocket::RouteEventSocket(int fd)
    : m_fd(fd)
    , m_notifier(fd, QSocketNotifier::Read)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &RouteEventSocket::drain);
}

RouteEventSocket::~RouteEventSocket()
{
    m_notifier.setEnabled(false);
    ::close(m_fd);
}

void RouteEventSocket::drain()
{
    // The content does not matter: every target asks the kernel afresh.
    std::array<char, 16384> buffer;
    bool heard = false;
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) {
            heard = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == ENOBUFS) {
            heard = true; // overran: some change was lost, so assume one happened
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // Nothing more will come; stop rather than wake the loop for nothing.
            qCWarning(lcPlatform) << "routing events stop:"
                                  << (n == 0 ? "closed" : std::strerror(errno));
            m_notifier.setEnabled(false);
        }
        break;
    }
    if (heard)
        Q_EMIT changed();
}
