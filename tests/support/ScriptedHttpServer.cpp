#include "ScriptedHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

ScriptedHttpServer::ScriptedHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    m_default = json(R"({"data":{"code":0,"msg":"ok"}})");
    connect(this, &QTcpServer::newConnection, this, &ScriptedHttpServer::onNewConnection);
}

bool ScriptedHttpServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QUrl ScriptedHttpServer::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort()));
}

void ScriptedHttpServer::enqueue(const Reply &reply)
{
    m_script.enqueue(reply);
}

void ScriptedHttpServer::setDefaultReply(const Reply &reply)
{
    m_default = reply;
}

ScriptedHttpServer::Reply ScriptedHttpServer::json(const QByteArray &body,
                                                   const QByteArray &contentType)
{
    Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    return reply;
}

void ScriptedHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        m_buffers.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket *socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return;
    it.value() += socket->readAll();
    if (tryParse(socket))
        answer(socket);
}

bool ScriptedHttpServer::tryParse(QTcpSocket *socket)
{
    const QByteArray &buffer = m_buffers[socket];
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.constFirst().trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() - headerEnd - 4 < length)
        return false;
    request.body = buffer.mid(headerEnd + 4, length);
    m_requests.append(request);
    m_buffers[socket].clear();
    return true;
}

void ScriptedHttpServer::answer(QTcpSocket *socket)
{
    const Reply reply = m_script.isEmpty() ? m_default : m_script.dequeue();
    if (reply.action == Reply::Action::Hang)
        return;
    if (reply.action == Reply::Action::Close) {
        socket->abort();
        return;
    }
    QByteArray head = statusLine(reply.status);
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.declareLength)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + reply.body);
    socket->disconnectFromHost();
}

QByteArray ScriptedHttpServer::statusLine(int status)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n";
}

QByteArray ScriptedHttpServer::Request::path() const
{
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

QMap<QString, QString> ScriptedHttpServer::Request::fields() const
{
    if (method == "POST")
        return formFields(body);
    const qsizetype question = target.indexOf('?');
    return question < 0 ? QMap<QString, QString>() : formFields(target.mid(question + 1));
}

QMap<QString, QString> ScriptedHttpServer::formFields(QByteArray form)
{
    QMap<QString, QString> fields;
    if (form.isEmpty())
        return fields;
    for (const QByteArray &pair : form.replace('+', ' ').split('&')) {
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        fields.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return fields;
}
