// kelvo-service: the stand-in for the marketplace service, so the app and its
// tests have something real to talk to. Prints one line with the address it
// listens on, then one line per message code it "sends". Every write to the
// store is committed at once, so stopping it with a signal loses nothing.
#include "ServiceCommandLine.h"
#include "ServiceHttpServer.h"
#include "ServiceRules.h"
#include "ServiceStore.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvo-service"));
    const ServiceCommandLine options = ServiceCommandLine::parse(app);

    ServiceStore store;
    if (!store.open(options.database)) {
        std::fprintf(stderr, "kelvo-service: cannot open %s\n", qPrintable(options.database));
        return 1;
    }
    for (const QString &phone : options.hiddenPellinPhones) {
        if (!ServiceRules::isPhoneNumber(phone) || !store.setPellinCode(phone, 2)) {
            std::fprintf(stderr, "kelvo-service: bad --hide-pellin %s\n", qPrintable(phone));
            return 2;
        }
    }
    ServiceRules rules(store);
    ServiceHttpServer server(rules, options.testRoutes);
    const quint16 port = server.listen(QHostAddress::LocalHost, options.port);
    if (port == 0) {
        std::fprintf(stderr, "kelvo-service: cannot listen on 127.0.0.1:%u\n", options.port);
        return 1;
    }
    std::printf("kelvo-service listening on http://127.0.0.1:%u\n", port);
    std::fflush(stdout);
    return app.exec();
}
