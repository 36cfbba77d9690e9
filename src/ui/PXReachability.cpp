#include "PXReachability.h"

#include "NotificationCenter.h"
#include "Reachability.h"

#include <KelvoConfig.h>
#include <QUrl>

PXReachability &PXReachability::sharedReachability()
{
    static PXReachability reachability;
    return reachability;
}

PXReachability::PXReachability(QObject *parent)
    : QObject(parent)
{
    // The centre must outlive the shared monitor, which leaves it on exit.
    NotificationCenter::defaultCenter();
}

PXReachability::~PXReachability()
{
    NotificationCenter::defaultCenter().removeObserver(
        this, Reachability::reachabilityChangedNotification);
}

void PXReachability::startReachability()
{
    if (m_started)
        return;
    m_started = true;
    NotificationCenter::defaultCenter().addObserver(
        this, Reachability::reachabilityChangedNotification, nullptr,
        [this](const Notification &note) { reachabilityChanged(note); });
    m_hostReachability = Reachability::reachabilityWithHostName(remoteHostName());
    start(m_hostReachability.get());
    m_wifiReachability = Reachability::reachabilityForLocalWiFi();
    start(m_wifiReachability.get());
    m_internetReachability = Reachability::reachabilityForInternetConnection();
    start(m_internetReachability.get());
}

void PXReachability::start(Reachability *reachability)
{
    // An absent target never reports.
    if (reachability)
        reachability->startNotifier();
}

void PXReachability::reachabilityChanged(const Notification &note)
{
    // Only our own targets are read: the notification's object is just an
    // identity, and anything else posting the name is not one of them.
    Reachability *poster = nullptr;
    for (Reachability *r : {hostReachability(), wifiReachability(), internetReachability()}) {
        if (r && note.object == r)
            poster = r;
    }
    if (!poster)
        return;
    m_networkStatus = poster->currentReachabilityStatus();
    if (m_networkStatus == Reachability::notReachable)
        return;
    if (PXReachabilityDelegate *target = delegate())
        target->networkReachable();
}

PXReachabilityDelegate *PXReachability::delegate() const
{
    return (m_delegateIsObject && m_delegateObject.isNull()) ? nullptr : m_delegate;
}

void PXReachability::setDelegate(PXReachabilityDelegate *delegate)
{
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject *>(delegate);
    m_delegateIsObject = !m_delegateObject.isNull();
}

QString PXReachability::remoteHostName()
{
    if (m_remoteHostName.isNull())
        m_remoteHostName = QUrl(QString::fromUtf8(KelvoConfig::serviceBaseURL)).host();
    return m_remoteHostName;
}

void PXReachability::setRemoteHostName(const QString &hostName)
{
    m_remoteHostName = hostName;
}
