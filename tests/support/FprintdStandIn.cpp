#include "FprintdStandIn.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>
#include <functional>

namespace {
const QString service = QStringLiteral("net.reactivated.Fprint");
const QString python = QStringLiteral("/usr/bin/python3"); // the one Debian's dbusmock is for

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    for (QDeadlineTimer deadline(timeoutMs); !condition(); QThread::msleep(20))
        if (deadline.hasExpired())
            return false;
    return true;
}
} // namespace

FprintdStandIn::~FprintdStandIn()
{
    stopService();
    m_bus.closeWriteChannel(); // ends cat, and the bus with it
    m_bus.waitForFinished(5000);
}

QString FprintdStandIn::missingTools()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
        return QStringLiteral("dbus-run-session is missing (scripts/bootstrap installs dbus)");
    if (QProcess::execute(python, {"-c", "import dbusmock"}) != 0)
        return QStringLiteral("python3-dbusmock is missing (scripts/bootstrap installs it)");
    return {};
}

bool FprintdStandIn::startBus()
{
    // The bus lives while cat reads from us.
    m_bus.start(QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")),
                {"--", "sh", "-c", "echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat"});
    if (!m_bus.waitForReadyRead(10000))
        return false;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.readLine().trimmed());
    m_service.setStandardOutputFile(QProcess::nullDevice());
    return true;
}

bool FprintdStandIn::startService(const QString &parameters)
{
    m_service.start(python,
                    {"-m", "dbusmock", "--template", KELVO_SOURCE_DIR "/tests/lock/fprintd.py",
                     "-p", parameters});
    return waitFor(serviceUp, 10000);
}

void FprintdStandIn::stopService()
{
    if (m_service.state() == QProcess::NotRunning)
        return;
    m_service.kill();
    m_service.waitForFinished(5000);
    waitFor([] { return !serviceUp(); }, 5000);
}

bool FprintdStandIn::serviceUp()
{
    return QDBusConnection::systemBus().interface()->isServiceRegistered(service);
}

QString FprintdStandIn::readerState()
{
    // A plain call: QDBusInterface would introspect the mock and cache a
    // meta-object per service instance, which Qt never frees.
    const QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/net/reactivated/Fprint/Manager"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("State"));
    return QDBusReply<QString>(QDBusConnection::systemBus().call(call)).value();
}
