#include "Application.h"

#include "AppPaths.h"
#include "PlatformLog.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>

namespace {
constexpr qint64 maximumMessage = 64 * 1024;
constexpr int connectTimeoutMs = 1000;

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

Application::Application()
    : m_opener(&Application::openWithDesktop)
{ }

Application::~Application() = default;

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
    m_opener = opener ? std::move(opener) : URLOpener(&Application::openWithDesktop);
}

bool Application::openWithDesktop(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    // Custom schemes answer "no" when no app claims them, so callers can fall
    // back (to a store page, say) instead of failing silently.
    if (!web && !hasSchemeHandler(scheme))
        return false;
    return QDesktopServices::openUrl(url);
}

QString Application::instanceServerName()
{
    const QByteArray root = AppPaths::dataRoot().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(root, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("kelvo-ostrel-") + QString::fromLatin1(digest.left(16));
}

Application::Forwarding Application::forwardToRunningInstance(const QString &serverName,
                                                              const QUrl &url, int ackTimeoutMs)
{
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
        // (the caller tried to forward first), so it is safe to take over.
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
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLine(socket); });
        // The line may already have arrived with the connection.
        readLine(socket);
    }
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
