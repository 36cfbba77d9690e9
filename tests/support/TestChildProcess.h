#pragma once

#include <QProcess>

// A process a test starts (the reference service, the app, a helper) that
// dies with the test. A test that crashes never runs its destructors: a child
// left running would keep the output pipe it inherited open, and CTest waits
// for that pipe until its timeout, ten minutes later. The kernel ends the
// child the moment the test process goes.
class TestChildProcess : public QProcess
{
public:
    explicit TestChildProcess(QObject *parent = nullptr);
};
