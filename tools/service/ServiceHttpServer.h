#pragma once

#include "ServiceAnswer.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringList>
#include <atomic>
#include <functional>
#include <microhttpd.h>
#include <mutex>
#include <optional>

class ServiceRules;

// HTTP around the rules, on libmicrohttpd: the library frames requests,
// pipelines, times out idle connections and bounds each connection's memory;
// this class adds the limits it cannot know (head and body size, conflicting
// lengths), finds the route, checks method and parameters, and writes every
// answer, refusals included, as the JSON envelope with content type
// "text/html; charset=utf-8". Requests are served on a small thread pool; the
// rules run one at a time.
class ServiceHttpServer
{
public:
    using Params = QHash<QString, QString>;

    struct Limits
    {
        int maxHeadBytes = 16 * 1024;
        qsizetype maxBodyBytes = 64 * 1024;
        unsigned idleTimeoutSeconds = 15;
        unsigned maxConnections = 1000;
        unsigned threads = 2;
    };

    ServiceHttpServer(ServiceRules &rules, bool testRoutes, const Limits &limits);
    ~ServiceHttpServer();
    ServiceHttpServer(const ServiceHttpServer &) = delete;
    ServiceHttpServer &operator=(const ServiceHttpServer &) = delete;

    // Listens on 127.0.0.1; the port bound (port 0 picks one), 0 on failure.
    quint16 listen(quint16 port);

    // Form fields with "+" for space and percent escapes; nullopt when a name
    // or value is not UTF-8 once decoded (it could only be guessed at, and
    // two guesses could name one device).
    static std::optional<Params> parseForm(QByteArrayView form);

private:
    struct Route
    {
        QByteArray method;
        QStringList required;
        std::function<ServiceAnswer(const Params &)> handler;
    };

    // One request's body as it arrives.
    struct Exchange
    {
        QByteArray body;
    };

    static MHD_Result onRequest(void *self, MHD_Connection *connection, const char *url,
                                const char *method, const char *version, const char *upload,
                                size_t *uploadSize, void **context);
    static void onCompleted(void *self, MHD_Connection *connection, void **context,
                            MHD_RequestTerminationCode why);
    static size_t keepEscapes(void *self, MHD_Connection *connection, char *text);
    static MHD_Result admit(void *self, const sockaddr *address, socklen_t length);
    static void onConnection(void *self, MHD_Connection *connection, void **context,
                             MHD_ConnectionNotificationCode what);

    void addClientRoutes();
    void addTestRoutes();
    std::optional<ServiceAnswer> screenHead(MHD_Connection *connection, const char *url,
                                            const char *version) const;
    ServiceAnswer dispatch(MHD_Connection *connection, const char *url, const char *method,
                           const QByteArray &body);
    static std::optional<Params> parameters(MHD_Connection *connection, const QByteArray &method,
                                            const QByteArray &body);
    static MHD_Result respond(MHD_Connection *connection, const ServiceAnswer &answer);

    ServiceRules &m_rules;
    Limits m_limits;
    QHash<QByteArray, Route> m_routes;
    std::mutex m_rulesMutex;
    std::atomic<unsigned> m_openConnections {0};
    MHD_Daemon *m_daemon = nullptr;
};
