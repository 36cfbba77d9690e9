#pragma once

#include <QHostAddress>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// One reachability target as the platform sees it: the current flags and a
// change callback. The bits keep the phone platform's published values, so the
// status rules above this layer read them unchanged.
class NetworkReachability
{
public:
    enum Flag : quint32 {
        transientConnection = 0x1,
        reachable = 0x2,
        connectionRequired = 0x4,
        connectionOnTraffic = 0x8,
        interventionRequired = 0x10,
        connectionOnDemand = 0x20,
        isLocalAddress = 0x10000,
        isDirect = 0x20000,
        isCellular = 0x40000,
    };
    using Callback = std::function<void(quint32 flags)>;

    // Kernel-backed targets; null when the target is empty or invalid, or the
    // kernel's routing interface cannot be opened.
    static std::unique_ptr<NetworkReachability> createWithName(const QString &hostName);
    static std::unique_ptr<NetworkReachability> createWithAddress(const QHostAddress &address);

    NetworkReachability() = default;
    NetworkReachability(const NetworkReachability &) = delete;
    NetworkReachability &operator=(const NetworkReachability &) = delete;
    virtual ~NetworkReachability();

    // Absent while the flags cannot be read (a host name not resolved yet).
    virtual std::optional<quint32> flags() const = 0;
    // Called on the scheduling thread each time the flags change while scheduled.
    bool setCallback(Callback callback);
    // Starts delivering changes on the current thread's event loop.
    virtual bool schedule() = 0;
    virtual void unschedule() = 0;

protected:
    void notify(quint32 flags) const;

private:
    Callback m_callback;
};
