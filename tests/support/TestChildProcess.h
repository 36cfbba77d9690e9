#pragma once

#include <QProcess>

// A process a test starts (the reference service, the app, a helper) that
// dies with the test. A crashed test runs no destructors, and a child left
// running keeps the inherited output pipe open, so CTest would wait for it
// until its timeout; the kernel ends the child as the test process goes.
class TestChildProcess : public QProcess
{
public:
    explicit TestChildProcess(QObject *parent = nullptr);
};
