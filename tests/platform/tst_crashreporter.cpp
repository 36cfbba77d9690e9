#include "CrashReporter.h"

#include <QtTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
int markerFd = -1;

// Runs in the crashing child, inside the signal handler.
int writeMarker()
{
    const char text[] = "callback ran";
    [[maybe_unused]] const ssize_t n = ::write(markerFd, text, sizeof text - 1);
    return 1;
}
} // namespace

class tst_CrashReporter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fatalSignalRunsCallbackAndKills_data()
    {
        QTest::addColumn<int>("signal");
        for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
            QTest::newRow(sigabbrev_np(signal)) << signal;
    }

    void fatalSignalRunsCallbackAndKills()
    {
        QFETCH(int, signal);
        int pipeFds[2];
        QCOMPARE(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            markerFd = pipeFds[1];
            // Keep the child's stack dump out of the test log.
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, STDERR_FILENO);
            CrashReporter &reporter = CrashReporter::sharedInstance();
            reporter.setCrashCallback(&writeMarker);
            reporter.installWithAppId(QStringLiteral("900000001"));
            ::raise(signal);
            ::_exit(42); // not reached when the handler re-raises
        }
        ::close(pipeFds[1]);
        char buffer[64] = {};
        ssize_t got = 0;
        ssize_t n = 0;
        while ((n = ::read(pipeFds[0], buffer + got, sizeof buffer - 1 - size_t(got))) > 0)
            got += n;
        ::close(pipeFds[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), "the child must die of the signal, not exit");
        QCOMPARE(WTERMSIG(status), signal);
        QCOMPARE(QByteArray(buffer, got), QByteArray("callback ran"));
    }
};

QTEST_APPLESS_MAIN(tst_CrashReporter)
#include "tst_crashreporter.moc"
