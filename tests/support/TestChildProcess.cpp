#include "TestChildProcess.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

TestChildProcess::TestChildProcess(QObject *parent)
    : QProcess(parent)
{
    const pid_t test = ::getpid();
    // Runs in the child between fork and exec: async-signal-safe calls only.
    setChildProcessModifier([test] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The test may have died before the line above took effect.
        if (::getppid() != test)
            ::_exit(127);
    });
}
