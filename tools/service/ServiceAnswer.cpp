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

ServiceAnswer ServiceAnswer::html(int status, const QString &title, const QString &text)
{
    ServiceAnswer answer;
    answer.status = status;
    const QString heading = title.toHtmlEscaped();
    answer.page
        = QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                         "<title>%1</title></head>\n<body><h1>%1</h1><p>%2</p></body></html>\n")
              .arg(heading, text.toHtmlEscaped())
              .toUtf8();
    return answer;
}

QByteArray ServiceAnswer::body() const
{
    return page.isNull() ? envelope() : page;
}
