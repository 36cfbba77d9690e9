#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The service's options: --port (8756; 0 picks a free one), --db FILE
// (in memory by default), --test-routes, --hide-pellin PHONE (repeatable) and
// --idle-timeout SECONDS (15; tests shorten it).
struct ServiceCommandLine
{
    quint16 port = 8756;
    QString database = QStringLiteral(":memory:");
    bool testRoutes = false;
    QStringList hiddenPellinPhones;
    unsigned idleTimeoutSeconds = 15;

    // Exits with usage text on bad options.
    static ServiceCommandLine parse(const QCoreApplication &app);
};
