#pragma once

#include "RecordedCall.h"

#include <QList>
#include <QString>
#include <functional>

// Stand-in for the crash-reporting library. It records its configuration
// calls and really catches fatal signals: on SIGSEGV, SIGABRT, SIGBUS, SIGFPE
// or SIGILL it captures the stack, writes it to stderr, runs the registered
// callback and lets the process die of the same signal.
class CrashReporter
{
public:
    using CrashCallback = std::function<int()>;

    static CrashReporter &sharedInstance();

    void setChannel(const QString &channel);
    void setUserId(const QString &userId);
    void enableBlockMonitor(bool enabled);
    void setEnableSymbolicateInProcess(bool enabled);
    void setCrashCallback(CrashCallback callback);
    void installWithAppId(const QString &appId);

    // Only meaningful inside the crash callback: the captured stack as text.
    QString getCrashStack() const;
    void setUserData(const QString &key, const QString &value);
    void setAttachLog(const QString &text);

    bool isInstalled() const;
    QList<RecordedCall> calls() const;
    void clearCalls();

private:
    CrashReporter() = default;
    static void handleSignal(int signal);
    void record(const QString &name, const QVariantList &arguments);

    CrashCallback m_callback;
    QList<RecordedCall> m_calls;
    bool m_installed = false;
};
