#pragma once

#include <QHash>
#include <QHostAddress>
#include <QMap>
#include <QQueue>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A one-connection-per-request HTTP server on 127.0.0.1 for client tests: it
// records what arrives and answers each request with the next scripted reply
// (or the default one), including replies no real service would send.
class ScriptedHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    struct Reply
    {
        // Hang: read the request, never answer; Close: hang up without a word.
        enum class Action { Respond, Hang, Close };
        Action action = Action::Respond;
        int status = 200;
        // Sent as the Content-Type header unless empty.
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        // false: no Content-Length; the body ends when the connection closes.
        bool declareLength = true;
    };

    struct Request
    {
        QByteArray method;
        QByteArray target;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;

        QByteArray path() const { return target.split('?').constFirst(); }
        // Query fields (GET) or form-body fields (POST), decoded as a server
        // reads a form: "+" is a space, then percent escapes as UTF-8.
        QMap<QString, QString> fields() const;
    };

    explicit ScriptedHttpServer(QObject *parent = nullptr);

    bool start() { return listen(QHostAddress::LocalHost, 0); }
    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort())); }

    void enqueue(const Reply &reply) { m_script.enqueue(reply); }
    void setDefaultReply(const Reply &reply) { m_default = reply; }
    static Reply json(const QByteArray &body, const QByteArray &contentType = "text/html")
    {
        return {Reply::Action::Respond, 200, contentType, body};
    }

    QList<Request> requests() const { return m_requests; }

private:
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket);

    QHash<QTcpSocket *, QByteArray> m_buffers;
    QQueue<Reply> m_script;
    Reply m_default = json(R"({"data":{"code":0,"msg":"ok"}})");
    QList<Request> m_requests;
};
