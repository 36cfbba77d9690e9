#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// What one route answers: the HTTP status and the envelope's "code" and "msg".
struct ServiceAnswer
{
    int status = 200;
    int code = 0;
    QJsonValue msg = QString();

    static ServiceAnswer reply(int code, const QJsonValue &msg);
    static ServiceAnswer refusal(int status, int code, const QString &msg);

    // {"data":{"code":...,"msg":...}}
    QByteArray envelope() const;
};
