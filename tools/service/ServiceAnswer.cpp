#include "ServiceAnswer.h"

#include <QJsonDocument>
#include <QJsonObject>

ServiceAnswer ServiceAnswer::reply(int code, const QJsonValue &msg)
{
    ServiceAnswer answer;
    answer.code = code;
    answer.msg = msg;
    return answer;
}

ServiceAnswer ServiceAnswer::refusal(int status, int code, const QString &msg)
{
    ServiceAnswer answer = reply(code, msg);
    answer.status = status;
    return answer;
}

QByteArray ServiceAnswer::envelope() const
{
    const QJsonObject data {{QStringLiteral("code"), code}, {QStringLiteral("msg"), msg}};
    return QJsonDocument(QJsonObject {{QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}
