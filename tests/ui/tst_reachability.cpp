#include "NetworkReachability.h"
#include "NotificationCenter.h"
#include "PXReachability.h"
#include "Reachability.h"

#include "DataRow.h"

#include <QCoreApplication>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <sched.h>

namespace {

using Flags = std::optional<quint32>;

struct ScriptedReachability : NetworkReachability
{
    Flags scripted; // none: the flags cannot be read
    explicit ScriptedReachability(int f) { scripted = f < 0 ? Flags() : Flags(f); }
    Flags flags() const override { return scripted; }
    bool schedule() override { return true; }
    void unschedule() override { }
};

struct CountingDelegate : PXReachabilityDelegate
{
    int calls = 0;
    void networkReachable() override { ++calls; }
};

bool ip(const QString &arguments)
{
    return QProcess::execute(QStringLiteral("ip"), arguments.split(u' ')) == 0;
}

// Why the kernel tests cannot run; empty once the process has its own namespace.
QString namespaceRefused;

} // namespace

class TestReachability : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statusForFlags_data()
    {
        QTest::addColumn<int>("flags"); // -1: unreadable
        QTest::addColumn<bool>("wifi");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("required");
        dataRow("reachable", 0x2, false, 1, false);
        dataRow("connection required", 0x6, false, 0, true);
        dataRow("on traffic", 0xE, false, 1, true);
        dataRow("on demand", 0x26, false, 1, true);
        dataRow("intervention", 0x1E, false, 0, true);
        dataRow("cellular", 0x40002, false, 2, false);
        dataRow("nothing", 0x0, false, 0, false);
        dataRow("cellular only", 0x40000, false, 0, false);
        dataRow("unreadable", -1, false, 0, false);
        dataRow("wifi direct", 0x20002, true, 1, false);
        dataRow("wifi routed", 0x2, true, 0, false);
        dataRow("wifi direct only", 0x20000, true, 0, false);
    }

    void statusForFlags()
    {
        QFETCH(int, flags);
        QFETCH(bool, wifi);
        Reachability reachability(std::make_unique<ScriptedReachability>(flags));
        reachability.setAlwaysReturnLocalWiFiStatus(wifi);
        QTEST(reachability.currentReachabilityStatus(), "status");
        QTEST(reachability.connectionRequired(), "required");
    }

    void internetComesAndGoes()
    {
        if (!namespaceRefused.isEmpty())
            QSKIP(qPrintable(namespaceRefused));
        QVERIFY(ip(QStringLiteral("link set lo up")));
        PXReachability monitor;
        CountingDelegate delegate;
        monitor.setDelegate(&delegate);
        monitor.setRemoteHostName(QStringLiteral("127.0.0.1"));
        monitor.startReachability();
        Reachability *internet = monitor.internetReachability();
        QVERIFY(internet && monitor.hostReachability() && monitor.wifiReachability());
        QObject observer;
        int posts = 0, fromInternet = 0;
        const auto count = [&](const Notification &note) {
            ++posts;
            fromInternet += note.object == internet;
        };
        const QString name = Reachability::reachabilityChangedNotification;
        NotificationCenter::defaultCenter().addObserver(&observer, name, nullptr, count);
        QTRY_COMPARE(monitor.hostReachability()->currentReachabilityStatus(), 1);
        QCOMPARE(internet->currentReachabilityStatus(), 0);

        for (const char *step :
             {"link add d1 type veth peer name d1p", "link set d1p up", "link set d1 up",
              "addr add 10.7.0.1/24 dev d1", "route add default dev d1"})
            QVERIFY2(ip(QString::fromLatin1(step)), step);
        QTRY_COMPARE(fromInternet, 1);
        QCOMPARE(monitor.networkStatus(), 1);
        QCOMPARE(delegate.calls, 1);

        QVERIFY(ip(QStringLiteral("route del default dev d1")));
        QTRY_COMPARE(fromInternet, 2);
        QCOMPARE(monitor.networkStatus(), 0);
        QCOMPARE(delegate.calls, 1);
        QVERIFY(ip(QStringLiteral("link del d1")));
        QCoreApplication::processEvents();
        QCOMPARE(posts, fromInternet);
    }

    void kernelFlags_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("byName");
        QTest::addColumn<quint32>("flags");
        // R 0x2, l 0x10000, d 0x20000, W 0x40000
        QTest::newRow("loopback by name") << "127.0.0.1" << true << 0x30002u;
        QTest::newRow("own address") << "10.9.0.1" << false << 0x30002u;
        QTest::newRow("on link") << "10.9.0.7" << false << 0x20002u;
        QTest::newRow("via gateway") << "10.10.3.4" << false << 0x2u;
        QTest::newRow("cellular link") << "10.20.0.9" << false << 0x60002u;
        QTest::newRow("unreachable route") << "198.51.100.1" << false << 0x0u;
        QTest::newRow("internet") << "0.0.0.0" << false << 0x40002u;
        QTest::newRow("no wireless link") << "169.254.0.0" << false << 0x0u;
    }

    void kernelFlags()
    {
        QFETCH(QString, target);
        QFETCH(bool, byName);
        if (!namespaceRefused.isEmpty())
            QSKIP(qPrintable(namespaceRefused));
        static bool networkBuilt = false;
        if (!std::exchange(networkBuilt, true)) {
            // veth pairs: dummy links are not built into every kernel.
            for (const char *step :
                 {"link set lo up", "link add d0 type veth peer name d0p", "link set d0p up",
                  "link set d0 up", "addr add 10.9.0.1/24 dev d0",
                  "link add wwan0 type veth peer name wwan0p", "link set wwan0p up",
                  "link set wwan0 up", "addr add 10.20.0.1/24 dev wwan0",
                  "route add 10.10.0.0/16 via 10.9.0.254", "route add unreachable 198.51.100.0/24",
                  "route add default via 10.20.0.254 dev wwan0"})
                QVERIFY2(ip(QString::fromLatin1(step)), step);
        }
        auto handle = byName ? NetworkReachability::createWithName(target)
                             : NetworkReachability::createWithAddress(QHostAddress(target));
        QVERIFY(handle);
        QTRY_VERIFY(handle->flags().has_value());
        QTEST(*handle->flags(), "flags");
    }
};

int main(int argc, char **argv)
{
    // A network of our own, entered while single-threaded so every later thread
    // shares it: nothing the tests do can reach the machine's real network.
    if (::unshare(CLONE_NEWNET) != 0)
        namespaceRefused = QStringLiteral("no private network namespace: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno)));
    QCoreApplication app(argc, argv);
    TestReachability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reachability.moc"
