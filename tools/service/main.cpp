// kelvo-service: the stand-in for the marketplace service, so the app and its
// tests have something real to talk to. Prints one line with the address it
// listens on, then one line per message code it "sends". Every write to the
// store is committed at once, so stopping it with a signal loses nothing.
#include "KLCryptor.h"
#include "ServiceCommandLine.h"
#include "ServiceHttpServer.h"
#include "ServiceRules.h"
#include "ServiceStore.h"

#include <QCoreApplication>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Room for every connection the server admits plus the store's files, so
// the descriptor limit is never what refuses a client (a server out of
// descriptors cannot even accept a client to close it). Returns the limit
// in force.
rlim_t raiseDescriptorLimit()
{
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < 4096) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur;
}

} // namespace

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
    const rlim_t descriptors = raiseDescriptorLimit();
    // The server's threads inherit this mask, so the signals reach sigwait
    // below and the server stops in order.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ServiceRules rules(store, *KLCryptor::m_getRSAPrivateTool());
    ServiceHttpServer::Limits limits;
    limits.idleTimeoutSeconds = options.idleTimeoutSeconds;
    // Spare descriptors: the listening socket, epoll, the store and its
    // journal files, and the connections the admission check closes.
    if (descriptors < limits.maxConnections + 128)
        limits.maxConnections = unsigned(std::max<rlim_t>(descriptors, 256) - 128);
    ServiceHttpServer server(rules, options.testRoutes, limits);
    const quint16 port = server.listen(options.port);
    if (port == 0) {
        std::fprintf(stderr, "kelvo-service: cannot listen on 127.0.0.1:%u\n", options.port);
        return 1;
    }
    std::printf("kelvo-service listening on http://127.0.0.1:%u\n", port);
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    return 0;
}
