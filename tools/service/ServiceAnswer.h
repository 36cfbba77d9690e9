#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// What one route answers: the HTTP status and the envelope's "code" and "msg",
// or, for the pages a browser shows, a small HTML page.
struct ServiceAnswer
{
    int status = 200;
    int code = 0;
    QJsonValue msg = QString();
    QByteArray page; // null for an envelope

    static ServiceAnswer reply(int code, const QJsonValue &msg);
    static ServiceAnswer refusal(int status, int code, const QString &msg);
    // A page with the title as its heading and text (escaped here) below it.
    static ServiceAnswer html(int status, const QString &title, const QString &text);

    // The page, or the envelope.
    QByteArray body() const;

    // {"data":{"code":...,"msg":...}}
    QByteArray envelope() const;
};
