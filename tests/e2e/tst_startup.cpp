#include "AppDelegate.h"
#include "Application.h"
#include "CrashReporter.h"
#include "OTPAuthURL.h"
#include "PXAuth.h"
#include "PXBindController.h"
#include "PXCodeController.h"
#include "PXLoginController.h"
#include "PXLoginModel.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXWindow.h"
#include "PushService.h"
#include "UserDefaults.h"

#include <DataRow.h>
#include <FileModes.h>
#include <IndependentCode.h>

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Every store of this process lives in a fresh folder.
QTemporaryDir &dataDir()
{
    static QTemporaryDir dir;
    return dir;
}

PXBaseController *rootScreen(AppDelegate &delegate)
{
    if (!delegate.window() || !delegate.window()->rootViewController())
        return nullptr;
    const auto screens = delegate.window()->rootViewController()->viewControllers();
    return screens.isEmpty() ? nullptr : screens.first();
}

// The two lock kinds, and optionally an enabled kind this build does not know.
void setLocks(bool fingerprint, bool gesture, qint64 unknownType = 0)
{
    auto &list = PXParamModel::sharedParamModel()->loginTypes();
    while (list.size() > 2)
        list.pop_back();
    list[0]->setValue(fingerprint);
    list[1]->setValue(gesture);
    if (unknownType != 0)
        list.push_back(PXLoginModel::initWithKey(QStringLiteral("虹膜"), true, unknownType));
}

constexpr uid_t nobody = 65534;

// Forked, as "nobody": listens on path (bound as us first) acknowledging every
// line, or sends a URL there and exits 0 when it was not acknowledged.
[[noreturn]] void peerAsNobody(const QByteArray &path, bool listens, int ready)
{
    sockaddr_un address {AF_UNIX, {}};
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const auto *at = reinterpret_cast<const sockaddr *>(&address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if ((listens && ::bind(fd, at, sizeof address) != 0) || ::setgid(nobody) != 0
        || ::setuid(nobody) != 0)
        _exit(2);
    char text[64] = {};
    if (listens && ::listen(fd, 4) == 0 && ::write(ready, "r", 1) == 1) {
        for (int peer; (peer = ::accept(fd, nullptr, nullptr)) >= 0; ::close(peer)) {
            if (::read(peer, text, sizeof text) > 0 && ::write(peer, "ok\n", 3) != 3)
                _exit(2);
        }
    }

    const bool acknowledged = ::connect(fd, at, sizeof address) == 0
        && ::write(fd, "kelvoostrel://open\n", 19) == 19 && ::read(fd, text, 2) == 2;
    _exit(acknowledged ? 1 : 0);
}

// The process strace started: the app itself.
pid_t tracedChild(qint64 tracer)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tracer));
    return children.open(QIODevice::ReadOnly) ? pid_t(children.readAll().trimmed().toInt()) : 0;
}

QProcessEnvironment appEnvironment(const QString &dataRoot, const QString &runtime = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVO_DATA_DIR"), dataRoot);
    if (!runtime.isEmpty())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    return env;
}

void setPattern(bool stored)
{
    PXPasswordVM *vm = PXPasswordVM::sharedPasswordVM();
    stored ? void(vm->setPassword(QStringLiteral("0125"), QStringLiteral("0125")))
           : vm->clearPassword();
}

QString secret()
{
    return QStringLiteral("13800138000,Ab3dE9,") + PXAuth::sharedAuth().getUUID();
}

void setBound(bool bound)
{
    PXAuth &auth = PXAuth::sharedAuth();
    auth.removeAuthURL();
    auth.setAuthURL(std::unique_ptr<OTPAuthURL>());
    if (bound)
        QVERIFY(auth.setAuthURL(secret(), QStringLiteral("13800138000")));
}

// Runs the app to its end; false (and killed) when it does not end in time.
bool runApp(QProcess &app, const QStringList &arguments, const QProcessEnvironment &env)
{
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(KELVO_APP_BIN), arguments);
    if (app.waitForFinished(20000))
        return true;
    app.kill();
    return false;
}

class RecordingDelegate : public ApplicationDelegate
{
public:
    explicit RecordingDelegate(Application &app) { app.setDelegate(this); }
    bool didFinishLaunchingWithOptions(const QVariantMap &) override { return true; }
    bool openURL(const QUrl &url, const QString &, const QVariant &) override
    {
        urls.append(url);
        return true;
    }

    QList<QUrl> urls;
};
} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dataDir().isValid());
        qputenv("KELVO_DATA_DIR", dataDir().path().toLocal8Bit());
    }

    void cleanup()
    {
        setLocks(false, false);
        setPattern(false);
        setBound(false);
    }

    void launchOrderAndFirstScreen()
    {
        Application &app = Application::sharedApplication();
        app.setApplicationIconBadgeNumber(5);
        AppDelegate delegate(app);
        const QVariantMap options {{QStringLiteral("k"), 1}};
        QVERIFY(delegate.didFinishLaunchingWithOptions(options));

        const auto crash = CrashReporter::sharedInstance().calls();
        QStringList crashNames;
        for (const auto &c : crash)
            crashNames << c.name;
        QCOMPARE(crashNames,
                 (QStringList {
                     "setChannel:", "setUserId:", "enableBlockMonitor:",
                     "setEnableSymbolicateInProcess:", "setCrashCallback:", "installWithAppId:"}));

        const auto push = PushService::calls();
        QCOMPARE(push.size(), 2);
        QCOMPARE(push.at(0).name, QStringLiteral("registerForRemoteNotificationTypes:categories:"));
        QCOMPARE(push.at(1).name, QStringLiteral("setupWithOption:"));
        QCOMPARE(push.at(1).arguments.value(0).toMap(), options);
        QCOMPARE(app.applicationIconBadgeNumber(), 0);

        // Nothing bound, no lock: the binding screen is the only screen.
        auto *bind = qobject_cast<PXBindController *>(rootScreen(delegate));
        QVERIFY(bind);
        QCOMPARE(delegate.window()->rootViewController()->viewControllers().size(), 1);
    }

    void routing_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<bool>("fingerprint");
        QTest::addColumn<bool>("gesture");
        QTest::addColumn<qint64>("unknownType");
        QTest::addColumn<bool>("pattern"); // a gesture pattern is stored
        QTest::addColumn<QString>("screen"); // and the lock the host shows
        const QString bind = QStringLiteral("PXBindController");
        const QString gesture = QStringLiteral("PXLoginController PXGestureIDView");
        dataRow("no lock", false, false, false, qint64(0), false, bind);
        dataRow("fingerprint lock", false, true, false, qint64(0), false,
                "PXLoginController PXTouchIDView");
        dataRow("gesture lock", false, false, true, qint64(0), true, gesture);
        dataRow("unknown kind on", false, false, false, qint64(7), false, bind);
        dataRow("unknown kind on, pattern stored", false, false, false, qint64(7), true, gesture);
        dataRow("bound", true, false, false, qint64(0), false, "PXCodeController");
        dataRow("bound, a lock still first", true, false, true, qint64(0), true, gesture);
    }

    void routing()
    {
        QFETCH(bool, fingerprint);
        QFETCH(bool, gesture);
        QFETCH(qint64, unknownType);
        QFETCH(bool, pattern);
        QFETCH(QString, screen);
        QFETCH(bool, bound);
        setBound(bound);
        setLocks(fingerprint, gesture, unknownType);
        QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
        setPattern(pattern);
        AppDelegate delegate(Application::sharedApplication());
        delegate.setController();
        QVERIFY(rootScreen(delegate));
        QString shown = QString::fromLatin1(rootScreen(delegate)->metaObject()->className());
        if (auto *host = qobject_cast<PXLoginController *>(rootScreen(delegate)))
            shown += u' ' + QString::fromLatin1(host->lockView()->metaObject()->className());
        QCOMPARE(shown, screen);
    }

    void urlOpenBuildsFreshRoot()
    {
        AppDelegate delegate(Application::sharedApplication());
        delegate.setController();
        QPointer<PXWindow> first = delegate.window();
        QPointer<PXBaseController> firstRoot = rootScreen(delegate);
        setLocks(false, true);
        QVERIFY(
            delegate.openURL(QUrl(QStringLiteral("kelvoostrel://anything?x=1")), QString(), {}));
        QVERIFY(delegate.window() != first.data());
        QVERIFY(qobject_cast<PXLoginController *>(rootScreen(delegate)));
        // The old window goes once control returns to the event loop.
        QTRY_VERIFY(first.isNull());
        QVERIFY(firstRoot.isNull());
        setLocks(false, false);
        delegate.openURL(QUrl(QStringLiteral("kelvoostrel://")), QString(), {});
        QVERIFY(qobject_cast<PXBindController *>(rootScreen(delegate)));
    }

    void bindRootKeepsWindow()
    {
        AppDelegate windowless(Application::sharedApplication());
        windowless.setBindRootController();
        QVERIFY(qobject_cast<PXBindController *>(rootScreen(windowless))->noBack());

        AppDelegate delegate(Application::sharedApplication());
        setLocks(true, false);
        delegate.setController();
        PXWindow *window = delegate.window();
        delegate.setBindRootController();
        QCOMPARE(delegate.window(), window);
        auto *bind = qobject_cast<PXBindController *>(rootScreen(delegate));
        QVERIFY(bind && bind->noBack());
    }

    void secondLaunchForwardsURL()
    {
        // This test process plays the running app; the real binary is the second launch.
        Application listener;
        RecordingDelegate recorder(listener);
        const QString serverName = Application::instanceServerName();
        QVERIFY(listener.listenForURLs(serverName));

        QProcess second;
        second.setProcessEnvironment(appEnvironment(dataDir().path()));
        const QString url = QStringLiteral("kelvoostrel://open?from=partner");
        second.start(QStringLiteral(KELVO_APP_BIN), {url});
        QVERIFY(second.waitForStarted());
        // A running app busy for a few seconds still gets the URL; the second
        // launch must neither give up on it nor start a window of its own.
        QThread::sleep(3);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.urls.size(), 1, 20000);
        QCOMPARE(recorder.urls.first(), QUrl(url));
        // It may have ended already while the URL was being delivered.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
    }

    // The real app, traced, over a 0755 data root: the umask precedes its first
    // file, it cannot be dumped, and SIGTERM quits cleanly, removing its socket.
    void runningInstanceIsPrivate()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
            QSKIP("strace is not installed");
        QTemporaryDir root, runtime, traceDir;
        QVERIFY(::chmod(QFile::encodeName(root.path()).constData(), 0755) == 0);
        const QString trace = traceDir.filePath(QStringLiteral("trace"));
        QProcess tracer;
        tracer.setProcessEnvironment(appEnvironment(root.path(), runtime.path()));
        tracer.start(QStringLiteral("strace"),
                     {"-f", "-qq", "-o", trace, "-e", "trace=umask,prctl,openat,mkdir,bind",
                      QStringLiteral(KELVO_APP_BIN)});
        QVERIFY(tracer.waitForStarted());
        const QString folder = runtime.filePath(QStringLiteral("kelvo-ostrel"));
        QStringList sockets;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(sockets = QDir(folder).entryList({"instance-*"}, QDir::System)).isEmpty(), 30000);
        const QString socket = folder + u'/' + sockets.first();
        QCOMPARE(fileMode(folder), 0700);
        QCOMPARE(fileMode(socket) & 077, 0);
        QVERIFY(::kill(tracedChild(tracer.processId()), SIGTERM) == 0);
        QVERIFY(tracer.waitForFinished(20000));
        QCOMPARE(tracer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tracer.exitCode(), 0);
        QVERIFY(!QFile::exists(socket));

        QFile traced(trace);
        QVERIFY(traced.open(QIODevice::ReadOnly));
        const QByteArray calls = traced.readAll();
        const qsizetype umaskAt = calls.indexOf("umask(077)");
        const qsizetype opened = calls.indexOf("O_CREAT");
        const qsizetype firstCreate
            = std::min(opened < 0 ? calls.size() : opened, calls.indexOf("mkdir("));
        QVERIFY2(umaskAt >= 0 && umaskAt < firstCreate, calls.left(4000).constData());
        QVERIFY(calls.contains("prctl(PR_SET_DUMPABLE, SUID_DUMP_DISABLE"));
    }

    // Another user's thing at the socket path: refused and named, never trusted.
    void squattedInstancePath_data()
    {
        QTest::addColumn<QString>("squat"); // "folder", "link" or "socket"
        QTest::newRow("runtime folder of another user") << "folder";
        QTest::newRow("runtime folder is a link") << "link";
        QTest::newRow("plain file at the socket path") << "socket";
    }

    void squattedInstancePath()
    {
        QFETCH(QString, squat);
        QTemporaryDir runtime, elsewhere;
        const QString folder = runtime.filePath(QStringLiteral("kelvo-ostrel"));
        QString named = folder;
        if (squat == QLatin1String("folder")) {
            if (::geteuid() != 0)
                QSKIP("needs root to give a folder to another user");
            QVERIFY(QDir().mkdir(folder));
            QVERIFY(::chown(QFile::encodeName(folder).constData(), nobody, nobody) == 0);
        } else if (squat == QLatin1String("link")) {
            QVERIFY(QFile::link(elsewhere.path(), folder));
        } else {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
            named = Application::instanceServerName();
            qunsetenv("XDG_RUNTIME_DIR");
            QFile file(named);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QProcess app;
        QVERIFY(runApp(app, {}, appEnvironment(dataDir().path(), runtime.path())));
        QCOMPARE(app.exitCode(), 1);
        const QByteArray answer = app.readAllStandardError();
        QVERIFY2(answer.contains(QFile::encodeName(named)), answer.constData());
    }

    // The socket folder is private, so only root could let another user reach
    // it; the uid of the other end is checked on both sides all the same.
    void otherUsersPeerRefused_data()
    {
        QTest::addColumn<bool>("otherServer");
        QTest::newRow("launch of another user") << false;
        QTest::newRow("instance of another user") << true;
    }

    void otherUsersPeerRefused()
    {
        QFETCH(bool, otherServer);
        if (::geteuid() != 0)
            QSKIP("needs root to run a peer as another user");
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QString path = dir.filePath(QStringLiteral("instance"));
        const QByteArray name = QFile::encodeName(path);
        Application listener;
        RecordingDelegate recorder(listener);
        if (!otherServer)
            QVERIFY(listener.listenForURLs(path) && ::chmod(name.constData(), 0777) == 0);
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t child = ::fork();
        if (child == 0)
            peerAsNobody(name, otherServer, ready[1]);
        char byte = 0;
        if (otherServer && ::read(ready[0], &byte, 1) == 1) {
            const auto forwarded
                = Application::forwardToRunningInstance(path, QUrl("kelvoostrel://open"), 3000);
            ::kill(child, SIGKILL);
            QCOMPARE(forwarded, Application::Forwarding::Foreign);
        }
        int status = 0;
        bool reaped = false; // QTRY evaluates its condition once more after success
        QTRY_VERIFY_WITH_TIMEOUT(reaped = reaped || ::waitpid(child, &status, WNOHANG) == child,
                                 10000);
        QVERIFY(otherServer || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
        QVERIFY(recorder.urls.isEmpty());
        ::close(ready[0]);
        ::close(ready[1]);
    }

    // Idle connections must neither exhaust descriptors nor deafen the instance.
    void silentConnectionsClosed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("instance"));
        Application listener;
        RecordingDelegate recorder(listener);
        QVERIFY(listener.listenForURLs(path));
        constexpr int excess = 4;
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        int closed = 0;
        for (int i = 0; i < Application::maximumConnections + excess; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            connect(idle.back().get(), &QLocalSocket::disconnected, this, [&closed] { ++closed; });
            idle.back()->connectToServer(path);
            QVERIFY(idle.back()->waitForConnected(1000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(closed, excess, Application::silenceMs / 2);
        QTRY_COMPARE_WITH_TIMEOUT(closed, int(idle.size()), Application::silenceMs * 2);
        QLocalSocket speaking;
        speaking.connectToServer(path);
        QVERIFY(speaking.waitForConnected(1000));
        speaking.write("kelvoostrel://open\n");
        QTRY_COMPARE(recorder.urls.size(), 1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<bool>("fingerprint");
        QTest::addColumn<bool>("gesture");
        QTest::addColumn<QByteArray>("list"); // the file if not null, "-": none; pattern stored
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // "code", or text the answer contains
        const QStringList code {"--code"};
        const QByteArray asSet; // the list as set
        const char *locked = "app lock is on";
        dataRow("code", code, true, false, false, asSet, 0, "code");
        dataRow("nothing bound", code, false, false, false, asSet, 69, "No account is bound");
        dataRow("gesture lock", code, true, false, true, asSet, 77, locked);
        dataRow("fingerprint lock", code, true, true, false, asSet, 77, locked);
        // The keychain is made unreadable for the run, as a locked keyring leaves it.
        dataRow("keychain unreadable", code, true, false, false, asSet, 75, "keyring is locked");
        dataRow("code with a URL", QStringList {"--code", "kelvoostrel://open"}, true, false, false,
                asSet, 64, "no other arguments");
        // With a pattern stored, a list we cannot vouch for locks, as the window does.
        dataRow("no list", code, true, false, false, QByteArray("-"), 77, locked);
        dataRow("damaged list", code, true, false, false, QByteArray("bplist00\x01"), 77, locked);
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fingerprint);
        QFETCH(bool, gesture);
        QFETCH(QByteArray, list);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(bool, bound);
        setBound(bound);
        setLocks(fingerprint, gesture);
        QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
        setPattern(gesture || !list.isNull());
        if (!list.isNull()) {
            QFile file(PXParamModel::sharedParamModel()->loginTypeFile());
            QVERIFY(list == "-" ? file.remove()
                                : file.open(QIODevice::WriteOnly) && file.write(list));
        }
        const double offset = 7200.0; // the service clock two hours ahead
        UserDefaults::standardUserDefaults().setDouble(offset, PXAuth::timeStampKey);
        UserDefaults::standardUserDefaults().synchronize();

        // No display at all: the console answers must not need one.
        QProcessEnvironment env = appEnvironment(dataDir().path());
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        const QString keychain = dataDir().path() + QStringLiteral("/Keychain");
        QFile blocker(keychain);
        if (status == 75)
            QVERIFY(QDir().rename(keychain, keychain + QStringLiteral(".away"))
                    && blocker.open(QIODevice::WriteOnly));
        const double before = QDateTime::currentMSecsSinceEpoch() / 1000.0 + offset;
        QProcess app;
        QVERIFY(runApp(app, arguments, env));
        const double after = QDateTime::currentMSecsSinceEpoch() / 1000.0 + offset;
        if (status == 75)
            QVERIFY(blocker.remove()
                    && QDir().rename(keychain + QStringLiteral(".away"), keychain));
        QCOMPARE(app.exitCode(), status);
        const QString printed = QString::fromUtf8(app.readAllStandardOutput());
        // Log lines (a keychain without a keyring warns once) go to stderr only.
        const QString answer = printed + QString::fromUtf8(app.readAllStandardError());
        if (output == QLatin1String("code")) {
            const QStringList fields = printed.trimmed().split(u' ');
            QCOMPARE(fields.size(), 2);
            // The run may straddle a period boundary; either side's code is right.
            const double at = fields.at(0) == independentCode(secret(), before) ? before : after;
            QCOMPARE(fields.at(0), independentCode(secret(), at));
            QVERIFY(std::abs(fields.at(1).toDouble() - (180.0 - std::fmod(at, 180.0))) <= 2.0);
        } else {
            QVERIFY2(answer.contains(output), qPrintable(answer));
        }
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
