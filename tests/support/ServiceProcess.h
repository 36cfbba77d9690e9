#pragma once

#include "TestChildProcess.h"
#include <QStringList>
#include <QUrl>

// Runs the reference service for one test: started on a free port of
// 127.0.0.1 (it reports the port on its first line), stopped on destruction.
class ServiceProcess
{
public:
    // program: the kelvo-service executable (KELVO_SERVICE_BIN in tests).
    explicit ServiceProcess(const QString &program, const QStringList &extraArguments = {});
    ~ServiceProcess() { stop(); }
    ServiceProcess(const ServiceProcess &) = delete;
    ServiceProcess &operator=(const ServiceProcess &) = delete;

    // Starts it with --test-routes and waits until it listens.
    bool start(int timeoutMs = 10000);
    void stop();

    QUrl baseURL() const { return m_baseURL; }
    // Everything it printed so far (its address, the message codes it sent).
    QString output();

private:
    TestChildProcess m_process;
    QByteArray m_output;
    QUrl m_baseURL;
};
