#include "ScriptedHttpServer.h"

#include <QTcpSocket>

namespace {
QString decoded(const QByteArray &text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

QMap<QString, QString> formFields(QByteArray form)
{
    QMap<QString, QString> fields;
    for (const QByteArray &pair : form.replace('+', ' ').split('&')) {
        const qsizetype eq = pair.contains('=') ? pair.indexOf('=') : pair.size();
        if (!pair.isEmpty())
            fields.insert(decoded(pair.left(eq)), decoded(pair.mid(eq + 1)));
    }
    return fields;
}
} // namespace

ScriptedHttpServer::ScriptedHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            m_buffers.insert(socket, QByteArray());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

void ScriptedHttpServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_buffers.contains(socket))
        return;
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.constFirst().trimmed().split(' ');
    Request request {requestLine.value(0), requestLine.value(1), {}, {}};
    for (const QByteArray &line : lines.mid(1))
        if (const qsizetype colon = line.indexOf(':'); colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() - headerEnd - 4 < length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    m_requests.append(request);
    buffer.clear();
    answer(socket);
}

void ScriptedHttpServer::answer(QTcpSocket *socket)
{
    const Reply reply = m_script.isEmpty() ? m_default : m_script.dequeue();
    if (reply.action == Reply::Action::Close)
        socket->abort();
    if (reply.action != Reply::Action::Respond)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.declareLength)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    socket->write(head + "Connection: close\r\n\r\n" + reply.body);
    socket->disconnectFromHost();
}

QMap<QString, QString> ScriptedHttpServer::Request::fields() const
{
    if (method == "POST")
        return formFields(body);
    const qsizetype question = target.indexOf('?');
    return formFields(question < 0 ? QByteArray() : target.mid(question + 1));
}
