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

#include <IndependentCode.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

// The two lock kinds, and optionally a third, enabled kind of a type this
// build does not know.
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

void setPattern(bool stored)
{
    PXPasswordVM *vm = PXPasswordVM::sharedPasswordVM();
    stored ? void(vm->setPassword(QStringLiteral("0125"), QStringLiteral("0125")))
           : vm->clearPassword();
}

class RecordingDelegate : public ApplicationDelegate
{
public:
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
    void initTestCase();
    void launchOrderAndFirstScreen();
    void routing_data();
    void routing();
    void urlOpenBuildsFreshRoot();
    void bindRootKeepsWindow();
    void boundAccountShowsCodeScreen();
    void secondLaunchForwardsURL();
    void commandLine_data();
    void commandLine();
};

void tst_Startup::initTestCase()
{
    QVERIFY(dataDir().isValid());
    qputenv("KELVO_DATA_DIR", dataDir().path().toLocal8Bit());
}

void tst_Startup::launchOrderAndFirstScreen()
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
    QCOMPARE(
        crashNames,
        (QStringList {"setChannel:", "setUserId:", "enableBlockMonitor:",
                      "setEnableSymbolicateInProcess:", "setCrashCallback:", "installWithAppId:"}));

    const auto push = PushService::calls();
    QCOMPARE(push.size(), 2);
    QCOMPARE(push.at(0).name, QStringLiteral("registerForRemoteNotificationTypes:categories:"));
    QCOMPARE(push.at(0).arguments.value(0).toInt(), 7);
    QVERIFY(push.at(0).arguments.value(1).isNull());
    QCOMPARE(push.at(1).name, QStringLiteral("setupWithOption:"));
    QCOMPARE(push.at(1).arguments.value(0).toMap(), options);
    QCOMPARE(app.applicationIconBadgeNumber(), 0);

    // Nothing bound, no lock: the binding screen is the only screen.
    auto *bind = qobject_cast<PXBindController *>(rootScreen(delegate));
    QVERIFY(bind);
    QCOMPARE(delegate.window()->rootViewController()->viewControllers().size(), 1);
    QCOMPARE(delegate.window()->windowTitle(), QStringLiteral("Kelvo Ostrel"));
    QCOMPARE(delegate.window()->size(), QSize(375, 667));
}

void tst_Startup::routing_data()
{
    QTest::addColumn<bool>("fingerprint");
    QTest::addColumn<bool>("gesture");
    QTest::addColumn<qint64>("unknownType");
    QTest::addColumn<bool>("pattern"); // a gesture pattern is stored
    QTest::addColumn<QString>("screen"); // and the lock the host shows
    QTest::newRow("no lock") << false << false << qint64(0) << false << "PXBindController";
    QTest::newRow("fingerprint lock")
        << true << false << qint64(0) << false << "PXLoginController PXTouchIDView";
    QTest::newRow("gesture lock") << false << true << qint64(0) << true
                                  << "PXLoginController PXGestureIDView";
    QTest::newRow("unknown kind on") << false << false << qint64(7) << false << "PXBindController";
    QTest::newRow("unknown kind on, pattern stored")
        << false << false << qint64(7) << true << "PXLoginController PXGestureIDView";
    QTest::newRow("gesture before an unknown kind")
        << false << true << qint64(7) << true << "PXLoginController PXGestureIDView";
    QTest::newRow("gesture off, pattern kept")
        << false << false << qint64(0) << true << "PXBindController";
}

void tst_Startup::routing()
{
    QFETCH(bool, fingerprint);
    QFETCH(bool, gesture);
    QFETCH(qint64, unknownType);
    QFETCH(bool, pattern);
    QFETCH(QString, screen);
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
    setLocks(false, false);
    setPattern(false);
}

void tst_Startup::urlOpenBuildsFreshRoot()
{
    AppDelegate delegate(Application::sharedApplication());
    delegate.setController();
    QPointer<PXWindow> first = delegate.window();
    QPointer<PXBaseController> firstRoot = rootScreen(delegate);
    setLocks(false, true);
    QVERIFY(delegate.openURL(QUrl(QStringLiteral("kelvoostrel://anything?x=1")), QString(), {}));
    QVERIFY(delegate.window() != first.data());
    QVERIFY(qobject_cast<PXLoginController *>(rootScreen(delegate)));
    // The old window goes once control returns to the event loop.
    QTRY_VERIFY(first.isNull());
    QVERIFY(firstRoot.isNull());
    setLocks(false, false);
    delegate.openURL(QUrl(QStringLiteral("kelvoostrel://")), QString(), {});
    QVERIFY(qobject_cast<PXBindController *>(rootScreen(delegate)));
}

void tst_Startup::bindRootKeepsWindow()
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
    QVERIFY(bind);
    QVERIFY(bind->noBack());
    setLocks(false, false);
}

void tst_Startup::boundAccountShowsCodeScreen()
{
    PXAuth &auth = PXAuth::sharedAuth();
    QVERIFY(auth.setAuthURL(QStringLiteral("13800138000,Ab3dE9,") + auth.getUUID(),
                            QStringLiteral("13800138000")));
    AppDelegate delegate(Application::sharedApplication());
    delegate.setController();
    QVERIFY(qobject_cast<PXCodeController *>(rootScreen(delegate)));
    // A lock still comes first.
    setLocks(false, true);
    delegate.setController();
    QVERIFY(qobject_cast<PXLoginController *>(rootScreen(delegate)));
    setLocks(false, false);
    auth.removeAuthURL();
    auth.setAuthURL(std::unique_ptr<OTPAuthURL>());
    delegate.setController();
    QVERIFY(qobject_cast<PXBindController *>(rootScreen(delegate)));
}

void tst_Startup::secondLaunchForwardsURL()
{
    // This test process plays the running app; the real binary is the second launch.
    Application listener;
    RecordingDelegate recorder;
    listener.setDelegate(&recorder);
    const QString serverName = Application::instanceServerName();
    QVERIFY(listener.listenForURLs(serverName));

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVO_DATA_DIR"), dataDir().path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
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

void tst_Startup::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("bound");
    QTest::addColumn<bool>("fingerprint");
    QTest::addColumn<bool>("gesture");
    // Replaces the lock list's file when not null ("-": no file); a gesture
    // pattern is then stored.
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // "code", or text the answer contains
    const QByteArray written; // the list as set
    QTest::newRow("code") << QStringList {"--code"} << true << false << false << written << 0
                          << "code";
    QTest::newRow("nothing bound") << QStringList {"--code"} << false << false << false << written
                                   << 69 << "No account is bound";
    QTest::newRow("gesture lock") << QStringList {"--code"} << true << false << true << written
                                  << 77 << "app lock is on";
    QTest::newRow("fingerprint lock")
        << QStringList {"--code"} << true << true << false << written << 77 << "app lock is on";
    QTest::newRow("code with a URL") << QStringList {"--code", "kelvoostrel://open"} << true
                                     << false << false << written << 64 << "no other arguments";
    QTest::newRow("version") << QStringList {"--version"} << false << false << false << written << 0
                             << "kelvo-ostrel 1.0.0";
    // With a pattern stored, a list we cannot vouch for locks, as the window does.
    const QStringList code {"--code"};
    const QString locked = QStringLiteral("app lock is on");
    QTest::newRow("no list") << code << true << false << false << QByteArray("-") << 77 << locked;
    QTest::newRow("damaged list") << code << true << false << false << QByteArray("bplist00\x01")
                                  << 77 << locked;
}

void tst_Startup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, bound);
    QFETCH(bool, fingerprint);
    QFETCH(bool, gesture);
    QFETCH(QByteArray, list);
    QFETCH(int, status);
    QFETCH(QString, output);
    const QString secret = QStringLiteral("13800138000,Ab3dE9,") + PXAuth::sharedAuth().getUUID();
    PXAuth &auth = PXAuth::sharedAuth();
    auth.removeAuthURL();
    if (bound)
        QVERIFY(auth.setAuthURL(secret, QStringLiteral("13800138000")));
    setLocks(fingerprint, gesture);
    QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
    setPattern(gesture || !list.isNull());
    if (!list.isNull()) {
        QFile file(PXParamModel::sharedParamModel()->loginTypeFile());
        QVERIFY(list == "-" ? file.remove() : file.open(QIODevice::WriteOnly) && file.write(list));
    }
    const double offset = 7200.0; // the service clock two hours ahead
    UserDefaults::standardUserDefaults().setDouble(offset, PXAuth::timeStampKey);
    UserDefaults::standardUserDefaults().synchronize();

    // No display at all: the console answers must not need one.
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVO_DATA_DIR"), dataDir().path());
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    app.setProcessEnvironment(env);
    const double before = QDateTime::currentMSecsSinceEpoch() / 1000.0 + offset;
    app.start(QStringLiteral(KELVO_APP_BIN), arguments);
    QVERIFY(app.waitForFinished(20000));
    const double after = QDateTime::currentMSecsSinceEpoch() / 1000.0 + offset;
    QCOMPARE(app.exitCode(), status);
    const QString answer
        = QString::fromUtf8(app.readAllStandardOutput() + app.readAllStandardError());
    if (output == QLatin1String("code")) {
        const QStringList fields = answer.trimmed().split(u' ');
        QCOMPARE(fields.size(), 2);
        // The run may straddle a period boundary; either side's code is right.
        const double at = fields.at(0) == independentCode(secret, before) ? before : after;
        QCOMPARE(fields.at(0), independentCode(secret, at));
        QVERIFY(std::abs(fields.at(1).toDouble() - (180.0 - std::fmod(at, 180.0))) <= 2.0);
    } else {
        QVERIFY2(answer.contains(output), qPrintable(answer));
    }
    setLocks(false, false);
    setPattern(false);
    auth.removeAuthURL();
    auth.setAuthURL(std::unique_ptr<OTPAuthURL>());
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
