#include "ServiceHttpServer.h"

#include "ServiceRules.h"

#include <QHttpServerResponder>

namespace {

using Method = QHttpServerRequest::Method;

} // namespace

ServiceHttpServer::ServiceHttpServer(ServiceRules &rules, bool testRoutes, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_rules(rules)
{
    addClientRoutes();
    if (testRoutes)
        addTestRoutes();
}

void ServiceHttpServer::addClientRoutes()
{
    const QString phone = QStringLiteral("phone");
    const QString device = QStringLiteral("IMEIOrIp");
    const QString key = QStringLiteral("key");
    ServiceRules &r = m_rules;
    m_routes.insert(QStringLiteral("/clientcall/getServerTime"),
                    {Method::Get, {}, [&r](const Params &) { return r.getServerTime(); }});
    m_routes.insert(QStringLiteral("/clientcall/verifyPhoneBindState"),
                    {Method::Post, {phone, device}, [&r, phone, device](const Params &p) {
                         return r.verifyPhoneBindState(p[phone], p[device]);
                     }});
    m_routes.insert(QStringLiteral("/clientcall/getAuthCode"),
                    {Method::Post, {phone, device}, [&r, phone, device](const Params &p) {
                         return r.getAuthCode(p[phone], p[device]);
                     }});
    m_routes.insert(QStringLiteral("/clientcall/checkAuthCode"),
                    {Method::Post, {phone, device, key}, [&r, phone, device, key](const Params &p) {
                         return r.checkAuthCode(p[phone], p[device], p[key]);
                     }});
    m_routes.insert(
        QStringLiteral("/clientcall/isShowPellin"),
        {Method::Post, {phone}, [&r, phone](const Params &p) { return r.isShowPellin(p[phone]); }});
    m_routes.insert(QStringLiteral("/clientcall/sendGesturePWDAuthCode"),
                    {Method::Post, {phone}, [&r, phone](const Params &p) {
                         return r.sendGesturePWDAuthCode(p[phone]);
                     }});
    m_routes.insert(QStringLiteral("/clientcall/checkGesturePWDAuthCode"),
                    {Method::Post, {phone, key}, [&r, phone, key](const Params &p) {
                         return r.checkGesturePWDAuthCode(p[phone], p[key]);
                     }});
    m_routes.insert(QStringLiteral("/merchant/verifyCode"),
                    {Method::Post, {phone, QStringLiteral("code")}, [&r, phone](const Params &p) {
                         return r.merchantVerifyCode(p[phone], p[QStringLiteral("code")]);
                     }});
}

void ServiceHttpServer::addTestRoutes()
{
    const QString phone = QStringLiteral("phone");
    const QString code = QStringLiteral("code");
    const QString seconds = QStringLiteral("seconds");
    ServiceRules &r = m_rules;
    m_routes.insert(
        QStringLiteral("/test/lastCode"),
        {Method::Get, {phone}, [&r, phone](const Params &p) { return r.lastCode(p[phone]); }});
    m_routes.insert(QStringLiteral("/test/setPellin"),
                    {Method::Get, {phone, code}, [&r, phone, code](const Params &p) {
                         return r.setPellin(p[phone], p[code]);
                     }});
    m_routes.insert(QStringLiteral("/test/advanceClock"),
                    {Method::Get, {seconds}, [&r, seconds](const Params &p) {
                         return r.advanceClock(p[seconds]);
                     }});
}

bool ServiceHttpServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    respond(request, socket, dispatch(request));
    return true;
}

void ServiceHttpServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    respond(request, socket, ServiceAnswer::refusal(404, -404, QStringLiteral("接口不存在")));
}

ServiceAnswer ServiceHttpServer::dispatch(const QHttpServerRequest &request) const
{
    const auto route = m_routes.constFind(request.url().path());
    if (route == m_routes.cend())
        return ServiceAnswer::refusal(404, -404, QStringLiteral("接口不存在"));
    if (request.method() != route->method)
        return ServiceAnswer::refusal(405, -405, QStringLiteral("请求方式不正确"));
    if (request.body().size() > maxBodyBytes)
        return ServiceAnswer::refusal(413, -413, QStringLiteral("请求数据过大"));
    const Params params = parameters(request);
    for (const QString &name : route->required) {
        if (!params.contains(name))
            return ServiceAnswer::refusal(400, -2, QStringLiteral("缺少参数：%1").arg(name));
    }
    return route->handler(params);
}

ServiceHttpServer::Params ServiceHttpServer::parameters(const QHttpServerRequest &request)
{
    // The query is read with form rules too, so "+" means the same in both.
    Params params = parseForm(request.url().query(QUrl::FullyEncoded).toLatin1());
    if (request.method() == Method::Post) {
        const Params form = parseForm(request.body());
        for (auto it = form.cbegin(); it != form.cend(); ++it)
            params.insert(it.key(), it.value());
    }
    return params;
}

ServiceHttpServer::Params ServiceHttpServer::parseForm(const QByteArray &form)
{
    Params params;
    for (QByteArray pair : form.split('&')) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        params.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return params;
}

void ServiceHttpServer::respond(const QHttpServerRequest &request, QTcpSocket *socket,
                                const ServiceAnswer &answer)
{
    auto responder = makeResponder(request, socket);
    responder.write(answer.envelope(), QByteArrayLiteral("text/html; charset=utf-8"),
                    QHttpServerResponder::StatusCode(answer.status));
}
