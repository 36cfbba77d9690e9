#include "CrashReporter.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <unistd.h>

namespace {
constexpr int maximumFrames = 64;
constexpr std::array fatalSignals {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

// Filled inside the signal handler, so fixed storage only.
void *capturedFrames[maximumFrames];
int capturedCount = 0;
std::atomic<bool> handling {false};
alignas(16) char alternateStack[64 * 1024];

void writeAll(const char *text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= size_t(n);
    }
}
} // namespace

CrashReporter &CrashReporter::sharedInstance()
{
    static CrashReporter reporter;
    return reporter;
}

void CrashReporter::record(const QString &name, const QVariantList &arguments)
{
    m_calls.append({name, arguments});
}

void CrashReporter::setChannel(const QString &channel)
{
    record(QStringLiteral("setChannel:"), {channel});
}

void CrashReporter::setUserId(const QString &userId)
{
    record(QStringLiteral("setUserId:"), {userId});
}

void CrashReporter::enableBlockMonitor(bool enabled)
{
    record(QStringLiteral("enableBlockMonitor:"), {enabled});
}

void CrashReporter::setEnableSymbolicateInProcess(bool enabled)
{
    record(QStringLiteral("setEnableSymbolicateInProcess:"), {enabled});
}

void CrashReporter::setCrashCallback(CrashCallback callback)
{
    record(QStringLiteral("setCrashCallback:"), {});
    m_callback = std::move(callback);
}

void CrashReporter::installWithAppId(const QString &appId)
{
    record(QStringLiteral("installWithAppId:"), {appId});
    if (m_installed)
        return;
    // backtrace() loads libgcc on first use, which allocates: do it now, not
    // inside the handler.
    capturedCount = backtrace(capturedFrames, maximumFrames);
    capturedCount = 0;

    stack_t stack {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action
    { };
    action.sa_handler = &CrashReporter::handleSignal;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : fatalSignals)
        sigaction(sig, &action, nullptr);
    m_installed = true;
}

void CrashReporter::handleSignal(int signal)
{
    if (handling.exchange(true)) {
        ::raise(signal);
        return;
    }
    capturedCount = backtrace(capturedFrames, maximumFrames);
    writeAll("kelvo-ostrel: fatal signal, stack follows\n");
    backtrace_symbols_fd(capturedFrames, capturedCount, STDERR_FILENO);

    // The callback is the app's own code and may not be signal-safe; if it
    // deadlocks (in malloc, say), the alarm ends the process anyway.
    ::alarm(3);
    CrashReporter &reporter = sharedInstance();
    if (reporter.m_callback)
        reporter.m_callback();
    // SA_RESETHAND restored the default action: die of the same signal.
    ::raise(signal);
}

QString CrashReporter::getCrashStack() const
{
    QString text;
    char **symbols = backtrace_symbols(capturedFrames, capturedCount);
    for (int i = 0; i < capturedCount; ++i) {
        text += QString::fromLocal8Bit(symbols ? symbols[i] : "?");
        text += QLatin1Char('\n');
    }
    std::free(symbols);
    return text;
}

void CrashReporter::setUserData(const QString &key, const QString &value)
{
    record(QStringLiteral("setUserData:value:"), {key, value});
}

void CrashReporter::setAttachLog(const QString &text)
{
    record(QStringLiteral("setAttachLog:"), {text});
}

bool CrashReporter::isInstalled() const
{
    return m_installed;
}

QList<RecordedCall> CrashReporter::calls() const
{
    return m_calls;
}

void CrashReporter::clearCalls()
{
    m_calls.clear();
}
