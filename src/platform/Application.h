#pragma once

#include "ApplicationDelegate.h"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// The application shell: the delegate, the icon badge, opening URLs in other
// apps, and this app's own URL scheme. Only one instance runs per data
// folder: a second launch hands its URL to the running one and exits.
class Application : public QObject
{
    Q_OBJECT
public:
    using URLOpener = std::function<bool(const QUrl &)>;

    static Application &sharedApplication();

    Application();
    ~Application() override;

    void setDelegate(ApplicationDelegate *delegate);
    ApplicationDelegate *delegate() const;

    int applicationIconBadgeNumber() const;
    void setApplicationIconBadgeNumber(int number);

    // Opens url in the browser or the app registered for its scheme; false
    // when nothing can open it. Tests replace the opener.
    bool openURL(const QUrl &url);
    void setURLOpener(URLOpener opener);
    static bool openWithDesktop(const QUrl &url);

    // The local socket the running instance listens on (per data folder).
    static QString instanceServerName();
    enum class Forwarding {
        Delivered, // a running instance took the URL
        NoInstance, // nobody listens: this process may become the instance
        Unresponsive // an instance is there but did not take the URL in time
    };
    // Hands url (possibly empty: "come to the front") to a running instance.
    // A busy instance gets ackTimeoutMs to acknowledge; only a refused
    // connection means that no instance runs.
    static Forwarding forwardToRunningInstance(const QString &serverName, const QUrl &url,
                                               int ackTimeoutMs = 15000);
    // Starts accepting URLs from later launches; each one reaches the
    // delegate's openURL on the main thread. Call it only after
    // forwardToRunningInstance found no instance: a leftover socket is
    // taken over.
    bool listenForURLs(const QString &serverName);

Q_SIGNALS:
    void activationRequested();

private:
    void readIncoming();
    void readLine(QLocalSocket *socket);
    void deliverURL(const QUrl &url);

    ApplicationDelegate *m_delegate = nullptr;
    int m_badge = 0;
    URLOpener m_opener;
    std::unique_ptr<QLocalServer> m_server;
};
