#include "RouteQuery.h"

#include "PlatformLog.h"

#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The kernel may take this long at most; it answers at once in practice.
constexpr int replyTimeoutMs = 1000;
constexpr quint32 headerLength = NLMSG_ALIGN(sizeof(nlmsghdr));

// Netlink data is read with memcpy: the macros cast char pointers to
// structures, which is neither alignment-clean nor warning-free.
template<typename T> T readAt(const QByteArray &data, qsizetype offset)
{
    T value {};
    if (offset >= 0 && offset + qsizetype(sizeof(T)) <= data.size())
        std::memcpy(&value, data.constData() + offset, sizeof(T));
    return value;
}

void appendAligned(QByteArray &out, const void *data, size_t size)
{
    out.append(static_cast<const char *>(data), qsizetype(size));
    out.append(QByteArray(qsizetype(NLMSG_ALIGN(size) - size), '\0'));
}

struct Attribute
{
    quint16 type;
    QByteArray payload;
};

std::vector<Attribute> attributes(const QByteArray &data, qsizetype offset)
{
    std::vector<Attribute> found;
    while (offset + qsizetype(sizeof(rtattr)) <= data.size()) {
        const auto header = readAt<rtattr>(data, offset);
        if (header.rta_len < sizeof(rtattr) || offset + header.rta_len > data.size())
            break;
        found.push_back(
            {header.rta_type, data.mid(offset + RTA_LENGTH(0), header.rta_len - RTA_LENGTH(0))});
        offset += RTA_ALIGN(header.rta_len);
    }
    return found;
}

struct ParsedRoute
{
    rtmsg header {};
    RouteQuery::Route route;
    quint32 table = 0;
    quint32 priority = 0;
};

// A multipath route names its interfaces per next hop; the first one stands
// for the route.
void readFirstHop(const QByteArray &hops, RouteQuery::Route &route)
{
    const auto hop = readAt<rtnexthop>(hops, 0);
    if (hop.rtnh_len < sizeof(rtnexthop))
        return;
    route.interfaceIndex = hop.rtnh_ifindex;
    for (const Attribute &a : attributes(hops.left(hop.rtnh_len), RTNH_LENGTH(0))) {
        if (a.type == RTA_GATEWAY || a.type == RTA_VIA)
            route.gateway = true;
    }
}

ParsedRoute parseRoute(const QByteArray &body)
{
    ParsedRoute parsed;
    parsed.header = readAt<rtmsg>(body, 0);
    parsed.table = parsed.header.rtm_table;
    parsed.route.local = parsed.header.rtm_type == RTN_LOCAL;
    for (const Attribute &a : attributes(body, NLMSG_ALIGN(sizeof(rtmsg)))) {
        switch (a.type) {
        case RTA_GATEWAY:
        case RTA_VIA:
            parsed.route.gateway = true;
            break;
        case RTA_OIF:
            parsed.route.interfaceIndex = readAt<int>(a.payload, 0);
            break;
        case RTA_TABLE:
            parsed.table = readAt<quint32>(a.payload, 0);
            break;
        case RTA_PRIORITY:
            parsed.priority = readAt<quint32>(a.payload, 0);
            break;
        case RTA_MULTIPATH:
            readFirstHop(a.payload, parsed.route);
            break;
        default:
            break;
        }
    }
    return parsed;
}

bool leadsNowhere(unsigned char type)
{
    return type == RTN_UNREACHABLE || type == RTN_PROHIBIT || type == RTN_BLACKHOLE
        || type == RTN_THROW;
}

bool isDefaultRoute(const ParsedRoute &r)
{
    return r.header.rtm_dst_len == 0 && r.header.rtm_type == RTN_UNICAST
        && r.table != RT_TABLE_LOCAL;
}

// IPv4 first, then the lower metric: the route most traffic would take.
bool preferred(const ParsedRoute &a, const ParsedRoute &b)
{
    const bool a4 = a.header.rtm_family == AF_INET;
    const bool b4 = b.header.rtm_family == AF_INET;
    if (a4 != b4)
        return a4;
    return a.priority < b.priority;
}

} // namespace

std::unique_ptr<RouteQuery> RouteQuery::open()
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        qCWarning(lcPlatform) << "routing queries: socket:" << std::strerror(errno);
        return nullptr;
    }
    timeval timeout {replyTimeoutMs / 1000, (replyTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return std::unique_ptr<RouteQuery>(new RouteQuery(fd));
}

RouteQuery::RouteQuery(int fd)
    : m_fd(fd)
{ }

RouteQuery::~RouteQuery()
{
    ::close(m_fd);
}

RouteQuery::Answer RouteQuery::routeTo(const QHostAddress &destination)
{
    rtmsg request {};
    QByteArray address;
    bool isV4 = false;
    const quint32 v4 = destination.toIPv4Address(&isV4);
    if (isV4) {
        const quint32 networkOrder = qToBigEndian(v4);
        address = QByteArray(reinterpret_cast<const char *>(&networkOrder), 4);
        request.rtm_family = AF_INET;
    } else if (destination.protocol() == QAbstractSocket::IPv6Protocol) {
        const Q_IPV6ADDR v6 = destination.toIPv6Address();
        address = QByteArray(reinterpret_cast<const char *>(v6.c), 16);
        request.rtm_family = AF_INET6;
    } else {
        return {true, std::nullopt};
    }
    request.rtm_dst_len = static_cast<unsigned char>(address.size() * 8);
    QByteArray payload;
    appendAligned(payload, &request, sizeof request);
    const rtattr dst {static_cast<unsigned short>(RTA_LENGTH(address.size())), RTA_DST};
    payload.append(reinterpret_cast<const char *>(&dst), sizeof dst);
    appendAligned(payload, address.constData(), size_t(address.size()));

    const auto reply = exchange(NLM_F_REQUEST, payload);
    if (!reply)
        return {};
    for (const Message &m : *reply) {
        if (m.type != RTM_NEWROUTE)
            continue; // an error message: the kernel knows no way there
        const ParsedRoute parsed = parseRoute(m.body);
        if (leadsNowhere(parsed.header.rtm_type))
            break;
        return {true, parsed.route};
    }
    return {true, std::nullopt};
}

RouteQuery::Answer RouteQuery::defaultRoute()
{
    rtmsg request {};
    request.rtm_family = AF_UNSPEC;
    QByteArray payload;
    appendAligned(payload, &request, sizeof request);
    const auto reply = exchange(NLM_F_REQUEST | NLM_F_DUMP, payload);
    if (!reply)
        return {};
    std::optional<ParsedRoute> best;
    for (const Message &m : *reply) {
        if (m.type != RTM_NEWROUTE)
            continue;
        const ParsedRoute parsed = parseRoute(m.body);
        if (isDefaultRoute(parsed) && (!best || preferred(parsed, *best)))
            best = parsed;
    }
    if (!best)
        return {true, std::nullopt};
    return {true, best->route};
}

std::optional<std::vector<RouteQuery::Message>> RouteQuery::exchange(quint16 flags,
                                                                     const QByteArray &payload)
{
    nlmsghdr header {};
    header.nlmsg_len = quint32(headerLength + payload.size());
    header.nlmsg_type = RTM_GETROUTE;
    header.nlmsg_flags = flags;
    header.nlmsg_seq = ++m_sequence;
    QByteArray request;
    appendAligned(request, &header, sizeof header);
    request.append(payload);
    sockaddr_nl kernel {};
    kernel.nl_family = AF_NETLINK;
    sockaddr to {};
    std::memcpy(&to, &kernel, sizeof kernel);
    if (::sendto(m_fd, request.constData(), size_t(request.size()), 0, &to, sizeof kernel) < 0) {
        qCWarning(lcPlatform) << "routing query: send:" << std::strerror(errno);
        return std::nullopt;
    }
    return receive();
}

std::optional<std::vector<RouteQuery::Message>> RouteQuery::receive()
{
    std::vector<Message> messages;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer.data(), size_t(buffer.size()), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            qCWarning(lcPlatform) << "routing query: receive:" << std::strerror(errno);
            return std::nullopt;
        }
        const QByteArray data = buffer.left(n);
        for (qsizetype offset = 0; offset + qsizetype(headerLength) <= data.size();) {
            const auto header = readAt<nlmsghdr>(data, offset);
            if (header.nlmsg_len < headerLength || offset + header.nlmsg_len > data.size())
                break;
            const qsizetype next = offset + qsizetype(NLMSG_ALIGN(header.nlmsg_len));
            if (header.nlmsg_seq == m_sequence) {
                if (header.nlmsg_type == NLMSG_DONE)
                    return messages;
                messages.push_back(
                    {header.nlmsg_type,
                     data.mid(offset + headerLength, header.nlmsg_len - headerLength)});
                if (header.nlmsg_type == NLMSG_ERROR || !(header.nlmsg_flags & NLM_F_MULTI))
                    return messages;
            }
            offset = next;
        }
    }
}
