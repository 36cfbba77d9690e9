#include "AppDelegate.h"
#include "Application.h"
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
PXBaseController *rootScreen(AppDelegate &delegate)
{
    return delegate.window()->rootViewController()->viewControllers().value(0);
}

// The two lock kinds, optionally an enabled kind this build does not know, and the pattern.
void setLocks(bool fingerprint, bool gesture, bool pattern, qint64 unknownType = 0)
{
    auto &list = PXParamModel::sharedParamModel()->loginTypes();
    while (list.size() > 2)
        list.pop_back();
    list[0]->setValue(fingerprint);
    list[1]->setValue(gesture);
    if (unknownType != 0)
        list.push_back(PXLoginModel::initWithKey(QStringLiteral("虹膜"), true, unknownType));
    QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
    PXPasswordVM *vm = PXPasswordVM::sharedPasswordVM();
    pattern ? void(vm->setPassword(QStringLiteral("0125"), QStringLiteral("0125")))
            : vm->clearPassword();
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
    QTemporaryDir m_data; // every store of this process

private Q_SLOTS:
    void initTestCase() { qputenv("KELVO_DATA_DIR", m_data.path().toLocal8Bit()); }

    void cleanup()
    {
        setLocks(false, false, false);
        setBound(false);
    }

    void routing_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<bool>("fingerprint");
        QTest::addColumn<bool>("gesture");
        QTest::addColumn<qint64>("unknownType");
        QTest::addColumn<bool>("pattern"); // a gesture pattern is stored
        QTest::addColumn<QString>("screen"); // and the lock the host shows
        const QString gesture = QStringLiteral("PXLoginController PXGestureIDView");
        dataRow("no lock", false, false, false, qint64(0), false, "PXBindController");
        dataRow("fingerprint lock", false, true, false, qint64(0), false,
                "PXLoginController PXTouchIDView");
        dataRow("gesture lock", false, false, true, qint64(0), true, gesture);
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
        QFETCH(bool, bound);
        setBound(bound);
        setLocks(fingerprint, gesture, pattern, unknownType);
        AppDelegate delegate(Application::sharedApplication());
        QVERIFY(delegate.didFinishLaunchingWithOptions({}));
        QString shown = QString::fromLatin1(rootScreen(delegate)->metaObject()->className());
        if (auto *host = qobject_cast<PXLoginController *>(rootScreen(delegate)))
            shown += u' ' + QString::fromLatin1(host->lockView()->metaObject()->className());
        QTEST(shown, "screen");
    }

    // A URL opened routes afresh in a new window; the binding root keeps the
    // window and offers no way back.
    void roots()
    {
        AppDelegate delegate(Application::sharedApplication());
        delegate.setController();
        QPointer<PXWindow> first = delegate.window();
        QPointer<PXBaseController> firstRoot = rootScreen(delegate);
        setLocks(false, true, false);
        QVERIFY(delegate.openURL(QUrl(QStringLiteral("kelvoostrel://open?x=1")), QString(), {}));
        QVERIFY(qobject_cast<PXLoginController *>(rootScreen(delegate)));
        QTRY_VERIFY(first.isNull() && firstRoot.isNull()); // once back in the event loop
        PXWindow *window = delegate.window();
        delegate.setBindRootController();
        QCOMPARE(delegate.window(), window);
        auto *bind = qobject_cast<PXBindController *>(rootScreen(delegate));
        QVERIFY(bind && bind->noBack());
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
        QFile traced(QStringLiteral("/proc/%1/task/%1/children").arg(tracer.processId()));
        QVERIFY(traced.open(QIODevice::ReadOnly)); // the process strace started: the app
        QVERIFY(::kill(pid_t(traced.readAll().trimmed().toInt()), SIGTERM) == 0);
        QVERIFY(tracer.waitForFinished(20000));
        QCOMPARE(tracer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tracer.exitCode(), 0);
        QVERIFY(!QFile::exists(socket));

        const QByteArray calls = fileBytes(trace);
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
        QVERIFY(runApp(app, {}, appEnvironment(m_data.path(), runtime.path())));
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

    // Idle connections must neither exhaust descriptors nor deafen the
    // instance: the real binary, launched later, still hands its URL over,
    // even while this instance is busy for a few seconds.
    void silentConnectionsClosedThenLaunchForwards()
    {
        Application listener;
        RecordingDelegate recorder(listener);
        QVERIFY(listener.listenForURLs(Application::instanceServerName()));
        constexpr int excess = 4;
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        int closed = 0;
        for (int i = 0; i < Application::maximumConnections + excess; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            connect(idle.back().get(), &QLocalSocket::disconnected, this, [&closed] { ++closed; });
            idle.back()->connectToServer(Application::instanceServerName());
            QVERIFY(idle.back()->waitForConnected(1000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(closed, excess, Application::silenceMs / 2);
        QTRY_COMPARE_WITH_TIMEOUT(closed, int(idle.size()), Application::silenceMs * 2);
        QProcess second;
        second.setProcessEnvironment(appEnvironment(m_data.path()));
        const QUrl url(QStringLiteral("kelvoostrel://open?from=partner"));
        second.start(QStringLiteral(KELVO_APP_BIN), {url.toString()});
        QVERIFY(second.waitForStarted());
        QThread::sleep(3); // it must neither give up nor start a window of its own
        QTRY_COMPARE_WITH_TIMEOUT(recorder.urls, QList<QUrl> {url}, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
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
        // With a pattern stored, a list we cannot vouch for locks, as the window does
        // (which lists cannot be vouched for is the model's business).
        dataRow("no list", code, true, false, false, QByteArray("-"), 77, locked);
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
        setLocks(fingerprint, gesture, gesture || !list.isNull());
        if (!list.isNull()) {
            QFile file(PXParamModel::sharedParamModel()->loginTypeFile());
            QVERIFY(list == "-" ? file.remove()
                                : file.open(QIODevice::WriteOnly) && file.write(list));
        }
        const double offset = 7200.0; // the service clock two hours ahead
        UserDefaults::standardUserDefaults().setDouble(offset, PXAuth::timeStampKey);
        UserDefaults::standardUserDefaults().synchronize();

        // No display at all: the console answers must not need one.
        QProcessEnvironment env = appEnvironment(m_data.path());
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        const QString keychain = m_data.path() + QStringLiteral("/Keychain");
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
