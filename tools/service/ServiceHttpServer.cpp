#include "ServiceHttpServer.h"

#include "ServiceRules.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace {

const QByteArray get = QByteArrayLiteral("GET");
const QByteArray post = QByteArrayLiteral("POST");

// What the request head holds, beyond what the library has checked.
struct Head
{
    qsizetype bytes = 0;
    QByteArrayList lengths;
    bool transferEncoding = false;
    bool host = false;
};

MHD_Result measureHeader(void *cls, MHD_ValueKind, const char *key, size_t keySize,
                         const char *value, size_t valueSize)
{
    auto *head = static_cast<Head *>(cls);
    head->bytes += qsizetype(keySize + valueSize) + 4;
    if (qstricmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0)
        head->lengths.append(QByteArray(value, qsizetype(valueSize)).trimmed());
    else if (qstricmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0)
        head->transferEncoding = true;
    else if (qstricmp(key, MHD_HTTP_HEADER_HOST) == 0)
        head->host = true;
    return MHD_YES;
}

MHD_Result collectArgument(void *cls, MHD_ValueKind, const char *key, size_t keySize,
                           const char *value, size_t valueSize)
{
    auto *query = static_cast<QByteArray *>(cls);
    if (!query->isEmpty())
        query->append('&');
    query->append(key, qsizetype(keySize));
    if (value)
        query->append('=').append(value, qsizetype(valueSize));
    return MHD_YES;
}

} // namespace

ServiceHttpServer::ServiceHttpServer(ServiceRules &rules, bool testRoutes, const Limits &limits)
    : m_rules(rules)
    , m_limits(limits)
{
    addClientRoutes();
    if (testRoutes)
        addTestRoutes();
}

ServiceHttpServer::~ServiceHttpServer()
{
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
}

quint16 ServiceHttpServer::listen(quint16 port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The memory limit bounds what one connection may make the library hold
    // (head and read buffer); a head over our limit still fits, so it gets
    // our envelope rather than the library's page. At its own connection
    // limit the library stops accepting and new clients wait in the kernel's
    // queue; its limit sits a little above ours, so that our admission check
    // sees them and closes them at once instead.
    m_daemon = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD, 0, &ServiceHttpServer::admit, this,
        &ServiceHttpServer::onRequest, this, MHD_OPTION_NOTIFY_CONNECTION,
        &ServiceHttpServer::onConnection, this, MHD_OPTION_SOCK_ADDR, &address,
        MHD_OPTION_THREAD_POOL_SIZE, m_limits.threads, MHD_OPTION_CONNECTION_LIMIT,
        m_limits.maxConnections + 64, MHD_OPTION_CONNECTION_TIMEOUT, m_limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, size_t(2 * m_limits.maxHeadBytes),
        MHD_OPTION_NOTIFY_COMPLETED, &ServiceHttpServer::onCompleted, this,
        MHD_OPTION_UNESCAPE_CALLBACK, &ServiceHttpServer::keepEscapes, this, MHD_OPTION_END);
    if (!m_daemon)
        return 0;
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : 0;
}

void ServiceHttpServer::addClientRoutes()
{
    const QString phone = QStringLiteral("phone");
    const QString device = QStringLiteral("IMEIOrIp");
    const QString key = QStringLiteral("key");
    ServiceRules &r = m_rules;
    m_routes.insert("/clientcall/getServerTime",
                    {get, {}, [&r](const Params &) { return r.getServerTime(); }});
    m_routes.insert("/clientcall/verifyPhoneBindState",
                    {post, {phone, device}, [&r, phone, device](const Params &p) {
                         return r.verifyPhoneBindState(p[phone], p[device]);
                     }});
    m_routes.insert("/clientcall/getAuthCode",
                    {post, {phone, device}, [&r, phone, device](const Params &p) {
                         return r.getAuthCode(p[phone], p[device]);
                     }});
    m_routes.insert("/clientcall/checkAuthCode",
                    {post, {phone, device, key}, [&r, phone, device, key](const Params &p) {
                         return r.checkAuthCode(p[phone], p[device], p[key]);
                     }});
    m_routes.insert("/clientcall/isShowPellin", {post, {phone}, [&r, phone](const Params &p) {
                                                     return r.isShowPellin(p[phone]);
                                                 }});
    m_routes.insert("/clientcall/sendGesturePWDAuthCode",
                    {post, {phone}, [&r, phone](const Params &p) {
                         return r.sendGesturePWDAuthCode(p[phone]);
                     }});
    m_routes.insert("/clientcall/checkGesturePWDAuthCode",
                    {post, {phone, key}, [&r, phone, key](const Params &p) {
                         return r.checkGesturePWDAuthCode(p[phone], p[key]);
                     }});
    // The web login and the store pages stand in for the marketplace's web
    // site, so the app's one-tap logins have somewhere to go.
    m_routes.insert("/pso/vipostrellogin",
                    {get, {QStringLiteral("win"), QStringLiteral("token")}, [&r](const Params &p) {
                         return r.webLogin(p[QStringLiteral("win")], p[QStringLiteral("token")]);
                     }});
    for (const char *app : {"lumo", "corvix"}) {
        m_routes.insert(QByteArray("/store/") + app,
                        {get, {}, [app](const Params &) {
                             return ServiceRules::storePage(QLatin1String(app));
                         }});
    }
    m_routes.insert("/merchant/verifyCode",
                    {post, {phone, QStringLiteral("code")}, [&r, phone](const Params &p) {
                         return r.merchantVerifyCode(p[phone], p[QStringLiteral("code")]);
                     }});
}

void ServiceHttpServer::addTestRoutes()
{
    const QString phone = QStringLiteral("phone");
    const QString code = QStringLiteral("code");
    const QString seconds = QStringLiteral("seconds");
    ServiceRules &r = m_rules;
    m_routes.insert("/test/lastCode",
                    {get, {phone}, [&r, phone](const Params &p) { return r.lastCode(p[phone]); }});
    m_routes.insert("/test/setPellin", {get, {phone, code}, [&r, phone, code](const Params &p) {
                                            return r.setPellin(p[phone], p[code]);
                                        }});
    m_routes.insert("/test/advanceClock", {get, {seconds}, [&r, seconds](const Params &p) {
                                               return r.advanceClock(p[seconds]);
                                           }});
}

MHD_Result ServiceHttpServer::onRequest(void *self, MHD_Connection *connection, const char *url,
                                        const char *method, const char *version, const char *upload,
                                        size_t *uploadSize, void **context)
{
    auto *server = static_cast<ServiceHttpServer *>(self);
    if (!*context) {
        // The head is judged before any of the body is read; answering now
        // makes the library close the connection instead of reading on.
        if (const auto refusal = server->screenHead(connection, url, version))
            return respond(connection, *refusal);
        *context = new Exchange;
        return MHD_YES;
    }
    auto *exchange = static_cast<Exchange *>(*context);
    if (*uploadSize > 0) {
        // Only a body of undeclared length (chunked) gets here past the
        // limit; the answer cannot be sent in the middle of it, so the
        // connection is dropped.
        if (exchange->body.size() + qsizetype(*uploadSize) > server->m_limits.maxBodyBytes)
            return MHD_NO;
        exchange->body.append(upload, qsizetype(*uploadSize));
        *uploadSize = 0;
        return MHD_YES;
    }
    return respond(connection, server->dispatch(connection, url, method, exchange->body));
}

void ServiceHttpServer::onCompleted(void *, MHD_Connection *, void **context,
                                    MHD_RequestTerminationCode)
{
    delete static_cast<Exchange *>(*context);
    *context = nullptr;
}

MHD_Result ServiceHttpServer::admit(void *self, const sockaddr *, socklen_t)
{
    const auto *server = static_cast<ServiceHttpServer *>(self);
    return server->m_openConnections.load() < server->m_limits.maxConnections ? MHD_YES : MHD_NO;
}

void ServiceHttpServer::onConnection(void *self, MHD_Connection *, void **,
                                     MHD_ConnectionNotificationCode what)
{
    auto *server = static_cast<ServiceHttpServer *>(self);
    if (what == MHD_CONNECTION_NOTIFY_STARTED)
        ++server->m_openConnections;
    else
        --server->m_openConnections;
}

size_t ServiceHttpServer::keepEscapes(void *, MHD_Connection *, char *text)
{
    // Names and values are decoded by parseForm, which also knows "+".
    return std::strlen(text);
}

std::optional<ServiceAnswer> ServiceHttpServer::screenHead(MHD_Connection *connection,
                                                           const char *url,
                                                           const char *version) const
{
    Head head;
    head.bytes = qsizetype(std::strlen(url));
    MHD_get_connection_values_n(connection, MHD_HEADER_KIND, &measureHeader, &head);
    QByteArray query;
    MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, &collectArgument, &query);
    head.bytes += query.size();
    if (head.bytes > m_limits.maxHeadBytes)
        return ServiceAnswer::refusal(431, -431, QStringLiteral("请求头过大"));
    // Two lengths, or a length beside chunked framing, let two parsers
    // disagree on where this request ends.
    const bool conflicting = head.lengths.size() > 1
        && std::any_of(head.lengths.cbegin(), head.lengths.cend(),
                       [&](const QByteArray &l) { return l != head.lengths.constFirst(); });
    if (conflicting || (!head.lengths.isEmpty() && head.transferEncoding))
        return ServiceAnswer::refusal(400, -400, QStringLiteral("请求长度不明确"));
    if (!head.host && qstrcmp(version, MHD_HTTP_VERSION_1_0) != 0)
        return ServiceAnswer::refusal(400, -400, QStringLiteral("缺少Host请求头"));
    if (head.lengths.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qulonglong declared = head.lengths.constFirst().toULongLong(&ok);
    if (!ok)
        return ServiceAnswer::refusal(400, -400, QStringLiteral("请求长度不明确"));
    if (declared > qulonglong(m_limits.maxBodyBytes))
        return ServiceAnswer::refusal(413, -413, QStringLiteral("请求数据过大"));
    return std::nullopt;
}

ServiceAnswer ServiceHttpServer::dispatch(MHD_Connection *connection, const char *url,
                                          const char *method, const QByteArray &body)
{
    const auto route = m_routes.constFind(QByteArray(url));
    if (route == m_routes.cend())
        return ServiceAnswer::refusal(404, -404, QStringLiteral("接口不存在"));
    if (route->method != method)
        return ServiceAnswer::refusal(405, -405, QStringLiteral("请求方式不正确"));
    const auto params = parameters(connection, route->method, body);
    if (!params)
        return ServiceAnswer::refusal(400, -2, QStringLiteral("参数不是有效的UTF-8文本"));
    for (const QString &name : route->required) {
        if (!params->contains(name))
            return ServiceAnswer::refusal(400, -2, QStringLiteral("缺少参数：%1").arg(name));
    }
    const std::lock_guard lock(m_rulesMutex);
    return route->handler(*params);
}

std::optional<ServiceHttpServer::Params> ServiceHttpServer::parameters(MHD_Connection *connection,
                                                                       const QByteArray &method,
                                                                       const QByteArray &body)
{
    // The query is read with form rules too, so "+" means the same in both.
    QByteArray query;
    MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, &collectArgument, &query);
    auto params = parseForm(query);
    if (!params || method != post)
        return params;
    const auto form = parseForm(body);
    if (!form)
        return std::nullopt;
    for (auto it = form->cbegin(); it != form->cend(); ++it)
        params->insert(it.key(), it.value());
    return params;
}

std::optional<ServiceHttpServer::Params> ServiceHttpServer::parseForm(QByteArrayView form)
{
    Params params;
    for (QByteArray pair : form.toByteArray().split('&')) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = QByteArray::fromPercentEncoding(eq < 0 ? pair : pair.left(eq));
        const QByteArray value
            = QByteArray::fromPercentEncoding(eq < 0 ? QByteArray() : pair.mid(eq + 1));
        if (!QByteArrayView(name).isValidUtf8() || !QByteArrayView(value).isValidUtf8())
            return std::nullopt;
        params.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    }
    return params;
}

MHD_Result ServiceHttpServer::respond(MHD_Connection *connection, const ServiceAnswer &answer)
{
    QByteArray body = answer.body();
    MHD_Response *response
        = MHD_create_response_from_buffer(size_t(body.size()), body.data(), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/html; charset=utf-8");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}
