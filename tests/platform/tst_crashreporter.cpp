#include "CrashReporter.h"

#include <QFile>
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
            markerFd = pipeFds[1];
            ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO); // no stack dump in the log
            CrashReporter::sharedInstance().setCrashCallback(&writeMarker);
            CrashReporter::sharedInstance().installWithAppId(QStringLiteral("900000001"));
            ::raise(signal);
            ::_exit(42); // not reached when the handler re-raises
        }
        ::close(pipeFds[1]);
        QFile marker;
        QVERIFY(marker.open(pipeFds[0], QIODevice::ReadOnly, QFile::AutoCloseHandle));
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), "the child must die of the signal, not exit");
        QCOMPARE(WTERMSIG(status), signal);
        QCOMPARE(marker.readAll(), QByteArray("callback ran"));
    }
};

QTEST_APPLESS_MAIN(tst_CrashReporter)
#include "tst_crashreporter.moc"
