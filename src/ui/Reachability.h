#pragma once

#include <QHostAddress>
#include <QString>
#include <memory>

class NetworkReachability;

// One watched target: turns the platform's reachability flags into a network
// status and posts reachabilityChangedNotification, with this wrapper as the
// object, each time the target's flags change.
class Reachability
{
public:
    enum NetworkStatus : int {
        notReachable = 0,
        reachableViaWiFi = 1,
        reachableViaCellular = 2,
    };
    static inline const QString reachabilityChangedNotification
        = QStringLiteral("kNetworkReachabilityChangedNotification");

    // Null when the platform refuses the target.
    static std::unique_ptr<Reachability> reachabilityWithHostName(const QString &hostName);
    // IPv4 addresses only, like the socket addresses the platform takes.
    static std::unique_ptr<Reachability> reachabilityWithAddress(const QHostAddress &hostAddress);
    // 0.0.0.0: any route out.
    static std::unique_ptr<Reachability> reachabilityForInternetConnection();
    // 169.254.0.0 with the Wi-Fi-only status rule.
    static std::unique_ptr<Reachability> reachabilityForLocalWiFi();

    explicit Reachability(std::unique_ptr<NetworkReachability> handle);
    Reachability(const Reachability &) = delete;
    Reachability &operator=(const Reachability &) = delete;
    ~Reachability();

    bool startNotifier();
    void stopNotifier();

    int currentReachabilityStatus() const;
    bool connectionRequired() const;
    int networkStatusForFlags(quint32 flags) const;
    int localWiFiStatusForFlags(quint32 flags) const;

    bool alwaysReturnLocalWiFiStatus() const { return m_alwaysReturnLocalWiFiStatus; }
    void setAlwaysReturnLocalWiFiStatus(bool value) { m_alwaysReturnLocalWiFiStatus = value; }

private:
    static std::unique_ptr<Reachability> wrap(std::unique_ptr<NetworkReachability> handle);

    std::unique_ptr<NetworkReachability> m_handle;
    bool m_alwaysReturnLocalWiFiStatus = false;
};
