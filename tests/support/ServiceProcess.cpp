#include "ServiceProcess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

ServiceProcess::ServiceProcess(const QString &program, const QStringList &extraArguments)
    : m_program(program)
    , m_arguments(extraArguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ServiceProcess::~ServiceProcess()
{
    stop();
}

bool ServiceProcess::start(int timeoutMs)
{
    m_process.start(
        m_program,
        QStringList {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--test-routes")}
            + m_arguments);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    static const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const auto match = listening.match(output());
        if (match.hasMatch()) {
            m_baseURL = QUrl(match.captured(1));
            return true;
        }
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    stop();
    return false;
}

void ServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ServiceProcess::output()
{
    m_output += m_process.readAllStandardOutput();
    return QString::fromUtf8(m_output);
}
