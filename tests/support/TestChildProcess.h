#pragma once

#include <QProcess>

// A process a test starts that dies with the test: a crashed test runs no
// destructors, and a child left running keeps the inherited output pipe open,
// so CTest would wait for it until its timeout.
class TestChildProcess : public QProcess
{
public:
    explicit TestChildProcess(QObject *parent = nullptr);
};
