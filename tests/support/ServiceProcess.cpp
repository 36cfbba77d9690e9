#include "ServiceProcess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

ServiceProcess::ServiceProcess(const QString &program, const QStringList &extraArguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setProgram(program);
    m_process.setArguments(QStringList {"--port", "0", "--test-routes"} + extraArguments);
}

bool ServiceProcess::start(int timeoutMs)
{
    m_process.start();
    static const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    const QDeadlineTimer deadline(timeoutMs);
    while (m_process.waitForReadyRead(int(deadline.remainingTime()))) {
        if (const auto match = listening.match(output()); match.hasMatch()) {
            m_baseURL = QUrl(match.captured(1));
            return true;
        }
    }
    stop();
    return false;
}

void ServiceProcess::stop()
{
    m_process.terminate();
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ServiceProcess::output()
{
    m_output += m_process.readAllStandardOutput();
    return QString::fromUtf8(m_output);
}
