#pragma once

#include "ServiceAnswer.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHttpServerRequest>
#include <QStringList>
#include <functional>

class ServiceRules;

// HTTP around the rules: finds the route, checks method, size and required
// parameters, and writes every answer, refusals included, as the JSON
// envelope with content type "text/html; charset=utf-8".
class ServiceHttpServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    using Params = QHash<QString, QString>;

    static constexpr qsizetype maxBodyBytes = 64 * 1024;

    ServiceHttpServer(ServiceRules &rules, bool testRoutes, QObject *parent = nullptr);

    // Form fields of the body (POST) merged over the query string.
    static Params parameters(const QHttpServerRequest &request);
    static Params parseForm(const QByteArray &form);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Route
    {
        QHttpServerRequest::Method method;
        QStringList required;
        std::function<ServiceAnswer(const Params &)> handler;
    };

    void addClientRoutes();
    void addTestRoutes();
    ServiceAnswer dispatch(const QHttpServerRequest &request) const;
    static void respond(const QHttpServerRequest &request, QTcpSocket *socket,
                        const ServiceAnswer &answer);

    ServiceRules &m_rules;
    QHash<QString, Route> m_routes;
};
