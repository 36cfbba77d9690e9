#include "ServiceCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

ServiceCommandLine ServiceCommandLine::parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reference marketplace service for the authenticator (development and "
                       "tests). Listens on 127.0.0.1 only."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port on 127.0.0.1 (0: any free port)."),
                                  QStringLiteral("port"), QStringLiteral("8756"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("SQLite file for the state (default: memory)."),
                                QStringLiteral("file"), QStringLiteral(":memory:"));
    const QCommandLineOption testRoutes(QStringLiteral("test-routes"),
                                        QStringLiteral("Serve the /test/ routes."));
    const QCommandLineOption hidePellin(
        QStringLiteral("hide-pellin"),
        QStringLiteral("Answer isShowPellin with code 2 for this phone (repeatable)."),
        QStringLiteral("phone"));
    const QCommandLineOption idleTimeout(
        QStringLiteral("idle-timeout"),
        QStringLiteral("Seconds before a silent connection is closed (default 15)."),
        QStringLiteral("seconds"), QStringLiteral("15"));
    parser.addOptions({port, db, testRoutes, hidePellin, idleTimeout});
    parser.process(app);

    ServiceCommandLine result;
    bool ok = false;
    const uint value = parser.value(port).toUInt(&ok);
    if (!ok || value > 65535) {
        std::fprintf(stderr, "kelvo-service: --port wants a number from 0 to 65535\n");
        parser.showHelp(2);
    }
    result.port = quint16(value);
    const uint timeout = parser.value(idleTimeout).toUInt(&ok);
    if (!ok || timeout == 0 || timeout > 3600) {
        std::fprintf(stderr, "kelvo-service: --idle-timeout wants 1 to 3600 seconds\n");
        parser.showHelp(2);
    }
    result.idleTimeoutSeconds = timeout;
    result.database = parser.value(db);
    result.testRoutes = parser.isSet(testRoutes);
    result.hiddenPellinPhones = parser.values(hidePellin);
    return result;
}
