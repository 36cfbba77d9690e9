#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class Reachability;
struct Notification;

// Told, on the main thread, whenever a watched target changes while the
// network is reachable.
class PXReachabilityDelegate
{
public:
    virtual ~PXReachabilityDelegate() = default;
    virtual void networkReachable() = 0;
};

// Watches the service host, the local Wi-Fi link and the internet at large,
// and keeps the status of the latest change of any of them.
class PXReachability : public QObject
{
    Q_OBJECT
public:
    static PXReachability &sharedReachability();

    // Tests make their own monitor; the app uses the shared one.
    explicit PXReachability(QObject *parent = nullptr);
    ~PXReachability() override;

    // Observes the change notification, then starts the host, Wi-Fi and
    // internet targets in that order. Later calls do nothing.
    void startReachability();
    void reachabilityChanged(const Notification &note);

    // Weak: a delegate that is also a QObject is forgotten when destroyed.
    PXReachabilityDelegate *delegate() const;
    void setDelegate(PXReachabilityDelegate *delegate);

    // Defaults to the host of the service base address.
    QString remoteHostName();
    void setRemoteHostName(const QString &hostName);

    int networkStatus() const { return m_networkStatus; }
    Reachability *hostReachability() const { return m_hostReachability.get(); }
    Reachability *wifiReachability() const { return m_wifiReachability.get(); }
    Reachability *internetReachability() const { return m_internetReachability.get(); }

private:
    static void start(Reachability *reachability);

    PXReachabilityDelegate *m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;
    QString m_remoteHostName;
    int m_networkStatus = 0;
    bool m_started = false;
    std::unique_ptr<Reachability> m_hostReachability;
    std::unique_ptr<Reachability> m_wifiReachability;
    std::unique_ptr<Reachability> m_internetReachability;
};
