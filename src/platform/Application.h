#pragma once

#include "ApplicationDelegate.h"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class BrowserHandoff;
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

    // Before anything else in main: nothing the process creates is ever
    // readable by others, and no core file or same-user debugger can copy
    // the secrets out of its memory.
    static void protectProcess();
    // SIGTERM and SIGINT quit the event loop, so that a terminated instance
    // cleans up (its socket, its pages) as a closed one does.
    static bool quitOnTerminationSignals();

    Application();
    ~Application() override;

    void setDelegate(ApplicationDelegate *delegate);
    ApplicationDelegate *delegate() const;

    int applicationIconBadgeNumber() const;
    void setApplicationIconBadgeNumber(int number);

    // Opens url in the browser or the app registered for its scheme; false
    // when nothing can open it. Tests replace the opener. Web URLs reach
    // the browser through a private page, never on a command line.
    bool openURL(const QUrl &url);
    void setURLOpener(URLOpener opener);

    // The path of the local socket the running instance listens on (one per
    // data folder, in the private runtime folder). Empty, with problem set,
    // when that folder is not private to this user.
    static QString instanceServerName(QString *problem = nullptr);
    enum class Forwarding {
        Delivered, // a running instance took the URL
        NoInstance, // nobody listens: this process may become the instance
        Unresponsive, // an instance is there but did not take the URL in time
        Foreign // the path or its listener is another user's: never trusted
    };
    // Hands url (possibly empty: "come to the front") to a running instance.
    // A busy instance gets ackTimeoutMs to acknowledge; only a refused
    // connection means that no instance runs.
    static Forwarding forwardToRunningInstance(const QString &serverName, const QUrl &url,
                                               int ackTimeoutMs = 15000);
    // Starts accepting URLs from later launches; each one reaches the
    // delegate's openURL on the main thread. Call it only after
    // forwardToRunningInstance found no instance: a leftover socket of
    // this user is taken over. Only peers of this user are heard; silent
    // ones are dropped after silenceMs, and at most maximumConnections are
    // open at once.
    bool listenForURLs(const QString &serverName);
    static constexpr int silenceMs = 3000;
    static constexpr int maximumConnections = 16;

Q_SIGNALS:
    void activationRequested();

private:
    bool openWithDesktop(const QUrl &url);
    void readIncoming();
    void accept(QLocalSocket *socket);
    void readLine(QLocalSocket *socket);
    void deliverURL(const QUrl &url);

    ApplicationDelegate *m_delegate = nullptr;
    int m_badge = 0;
    URLOpener m_opener;
    std::unique_ptr<QLocalServer> m_server;
    int m_connections = 0;
    std::unique_ptr<BrowserHandoff> m_handoff;
};
