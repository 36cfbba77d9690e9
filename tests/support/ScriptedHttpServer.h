#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
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
        enum class Action {
            Respond, // send the reply below
            Hang, // read the request, never answer
            Close, // close the connection without a word
        };
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

        QByteArray path() const;
        // Query fields (GET) or form-body fields (POST), decoded as a server
        // reads a form: "+" is a space, then percent escapes as UTF-8.
        QMap<QString, QString> fields() const;
    };

    explicit ScriptedHttpServer(QObject *parent = nullptr);

    // Listens on 127.0.0.1 on a free port.
    bool start();
    QUrl baseURL() const;

    void enqueue(const Reply &reply);
    void setDefaultReply(const Reply &reply);
    static Reply json(const QByteArray &body, const QByteArray &contentType = "text/html");
    static QMap<QString, QString> formFields(QByteArray form);

    QList<Request> requests() const { return m_requests; }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    bool tryParse(QTcpSocket *socket);
    void answer(QTcpSocket *socket);
    static QByteArray statusLine(int status);

    QHash<QTcpSocket *, QByteArray> m_buffers;
    QQueue<Reply> m_script;
    Reply m_default;
    QList<Request> m_requests;
};
