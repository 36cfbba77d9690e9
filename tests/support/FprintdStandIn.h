#pragma once

#include <QProcess>
#include <QString>

// The fingerprint service stand-in (tests/lock/fprintd.py, a python3-dbusmock
// template) on a private system bus of its own: startBus() points this
// process's system bus there.
class FprintdStandIn
{
public:
    FprintdStandIn() = default;
    ~FprintdStandIn();
    FprintdStandIn(const FprintdStandIn &) = delete;
    FprintdStandIn &operator=(const FprintdStandIn &) = delete;

    // Why the tests have to skip (a tool missing), empty when they need not.
    static QString missingTools();

    bool startBus();
    // The template's JSON parameters: "{}" is a reader with a finger that waits.
    bool startService(const QString &parameters);
    void stopService();

    static bool serviceUp();
    // "idle", "claimed" or "verifying".
    static QString readerState();

private:
    QProcess m_bus;
    QProcess m_service;
};
