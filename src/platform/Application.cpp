#include "Application.h"

#include "AppPaths.h"
#include "BrowserHandoff.h"
#include "PlatformLog.h"
#include "PrivateRuntimeFolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 maximumMessage = 64 * 1024;
constexpr int connectTimeoutMs = 1000;

// The write end is used by the signal handler, the read end by the event loop.
int quitPipe[2] = {-1, -1};

void requestQuit(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(quitPipe[1], &byte, 1);
    errno = saved;
}

// A socket's other end runs as this user. The socket folder is private
// already; this also holds when someone with access to it (root, a wrong
// folder) is on the other end.
bool peerIsThisUser(qintptr descriptor)
{
    struct ucred cred
    { };
    socklen_t length = sizeof cred;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0
        && cred.uid == ::geteuid();
}

bool hasSchemeHandler(const QString &scheme)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("x-scheme-handler/") + scheme});
    if (!query.waitForFinished(3000))
        return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}
} // namespace

Application &Application::sharedApplication()
{
    static Application application;
    return application;
}

void Application::protectProcess()
{
    ::umask(077);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

bool Application::quitOnTerminationSignals()
{
    if (quitPipe[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, quitPipe) != 0)
        return false;
    auto *notifier
        = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char drained[16];
        while (::read(quitPipe[0], drained, sizeof drained) > 0) { }
        QCoreApplication::quit();
    });
    struct sigaction action
    { };
    action.sa_handler = requestQuit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0
        && ::sigaction(SIGINT, &action, nullptr) == 0;
}

Application::Application()
    : m_opener([this](const QUrl &url) { return openWithDesktop(url); })
{ }

Application::~Application()
{
    // Its connections count down through this object.
    m_server.reset();
}

void Application::setDelegate(ApplicationDelegate *delegate)
{
    m_delegate = delegate;
}

ApplicationDelegate *Application::delegate() const
{
    return m_delegate;
}

int Application::applicationIconBadgeNumber() const
{
    return m_badge;
}

void Application::setApplicationIconBadgeNumber(int number)
{
    m_badge = number;
}

bool Application::openURL(const QUrl &url)
{
    if (!url.isValid() || url.scheme().isEmpty())
        return false;
    return m_opener ? m_opener(url) : false;
}

void Application::setURLOpener(URLOpener opener)
{
    if (!opener)
        opener = [this](const QUrl &url) { return openWithDesktop(url); };
    m_opener = std::move(opener);
}

bool Application::openWithDesktop(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (!m_handoff)
            m_handoff = std::make_unique<BrowserHandoff>();
        const QUrl page = m_handoff->pageFor(url);
        return !page.isEmpty() && QDesktopServices::openUrl(page);
    }
    // Custom schemes answer "no" when no app claims them, so callers can fall
    // back (to a store page, say) instead of failing silently. Their URL
    // does go on the handler's command line: no other way reaches the app.
    if (!hasSchemeHandler(scheme))
        return false;
    return QDesktopServices::openUrl(url);
}

QString Application::instanceServerName(QString *problem)
{
    const QString folder = PrivateRuntimeFolder::path(problem);
    if (folder.isEmpty())
        return {};
    const QByteArray root = AppPaths::dataRoot().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(root, QCryptographicHash::Sha256).toHex();
    return folder + QStringLiteral("/instance-") + QString::fromLatin1(digest.left(16));
}

Application::Forwarding Application::forwardToRunningInstance(const QString &serverName,
                                                              const QUrl &url, int ackTimeoutMs)
{
    switch (PrivateRuntimeFolder::socketEntry(serverName)) {
    case PrivateRuntimeFolder::Entry::Absent:
        return Forwarding::NoInstance;
    case PrivateRuntimeFolder::Entry::Foreign:
        return Forwarding::Foreign;
    case PrivateRuntimeFolder::Entry::OwnSocket:
        break;
    }
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        // Refused or absent means nobody listens (a crash can leave the
        // socket file behind). Anything else, such as a full backlog, is a
        // live instance that is slow to accept.
        const auto error = socket.error();
        return error == QLocalSocket::ConnectionRefusedError
                || error == QLocalSocket::ServerNotFoundError
            ? Forwarding::NoInstance
            : Forwarding::Unresponsive;
    }
    // The URL may carry a token: it goes to nobody but this user.
    if (!peerIsThisUser(socket.socketDescriptor()))
        return Forwarding::Foreign;
    socket.write(url.toEncoded() + '\n');
    // The receiver acknowledges as soon as its event loop reads the line; a
    // busy instance may take a while, so wait well beyond a normal turn. This
    // process must not exit before the acknowledgement or the URL is lost.
    socket.flush();
    QDeadlineTimer deadline(ackTimeoutMs);
    QByteArray answer;
    while (!answer.contains('\n') && socket.state() == QLocalSocket::ConnectedState
           && !deadline.hasExpired()) {
        if (socket.waitForReadyRead(int(deadline.remainingTime())))
            answer += socket.readAll();
    }
    answer += socket.readAll();
    return answer.startsWith("ok") ? Forwarding::Delivered : Forwarding::Unresponsive;
}

bool Application::listenForURLs(const QString &serverName)
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(serverName)) {
        // A stale socket from a crashed run: connecting to it was refused
        // (the caller tried to forward first), so it is safe to take over,
        // but only when it is this user's own.
        if (PrivateRuntimeFolder::socketEntry(serverName) == PrivateRuntimeFolder::Entry::OwnSocket)
            QLocalServer::removeServer(serverName);
        if (!m_server->listen(serverName)) {
            qCWarning(lcPlatform) << "cannot listen for URLs:" << m_server->errorString();
            m_server.reset();
            return false;
        }
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &Application::readIncoming);
    return true;
}

void Application::readIncoming()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection())
        accept(socket);
}

void Application::accept(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // Idle connections would otherwise pile up until descriptors run out and
    // the server fails, letting a second instance start over the same stores.
    if (m_connections >= maximumConnections || !peerIsThisUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_connections;
    connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLine(socket); });
    QTimer::singleShot(silenceMs, socket, [socket] {
        if (!socket->canReadLine()) {
            socket->abort();
            socket->deleteLater();
        }
    });
    // The line may already have arrived with the connection.
    readLine(socket);
}

void Application::readLine(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumMessage)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maximumMessage).trimmed();
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    deliverURL(QUrl::fromEncoded(line, QUrl::StrictMode));
}

void Application::deliverURL(const QUrl &url)
{
    Q_EMIT activationRequested();
    if (m_delegate && url.isValid() && !url.isEmpty())
        m_delegate->openURL(url, QString(), QVariant());
}
