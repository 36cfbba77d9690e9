#include "PXApplicationRoutes.h"
#include "PXModalPresenter.h"
#include "PXTouchIDView.h"
#include "TestWidgets.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

namespace {
const QString reason = QStringLiteral("通过Home键验证已有手机指纹");
const QString notSupported = QStringLiteral("当前设备不支持指纹识别");
constexpr qint64 untold = -1;
} // namespace

// The fingerprint lock screen against a fingerprint service of our own
// (tests/lock/fprintd.py on python3-dbusmock) on a private bus.
class tst_TouchID : public QObject, public PXTouchIDViewDelegate, public PXApplicationRoutes
{
    Q_OBJECT
    QProcess m_bus;
    QProcess m_service;
    QString m_python;
    QList<qint64> m_results;
    int m_bindRoots = 0;

    void touchIDResult(qint64 result) override { m_results.append(result); }
    void setActionController() override { }
    void setBindRootController() override { ++m_bindRoots; }

    QString serviceState()
    {
        QDBusInterface mock(QStringLiteral("net.reactivated.Fprint"),
                            QStringLiteral("/net/reactivated/Fprint/Manager"),
                            QStringLiteral("org.freedesktop.DBus.Mock"),
                            QDBusConnection::systemBus());
        return QDBusReply<QString>(mock.call(QStringLiteral("State"))).value();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString runSession
            = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
        if (runSession.isEmpty())
            QSKIP("dbus-run-session is not installed (scripts/bootstrap installs dbus)");
        for (const QString &python :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            if (m_python.isEmpty()
                && QProcess::execute(python,
                                     {QStringLiteral("-c"), QStringLiteral("import dbusmock")})
                    == 0)
                m_python = python;
        }
        if (m_python.isEmpty())
            QSKIP("python3-dbusmock is not installed (scripts/bootstrap installs it)");
        // The bus lives as long as cat reads our end of the pipe.
        m_bus.start(runSession,
                    {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        PXApplicationRoutes::install(this);
    }

    void cleanupTestCase()
    {
        PXApplicationRoutes::uninstall(this);
        m_bus.closeWriteChannel();
        m_bus.waitForFinished(5000);
    }

    void cleanup()
    {
        m_service.kill();
        m_service.waitForFinished(5000);
        QTRY_VERIFY(!QDBusConnection::systemBus().interface()->isServiceRegistered(
            QStringLiteral("net.reactivated.Fprint")));
        PXModalPresenter::setRecording(false);
        PXModalPresenter::clear();
        m_results.clear();
    }

    // Each outcome: the status line's text and colour, what the host was
    // told, and the reader released (claimed and stopped no more) at the end.
    void outcome_data()
    {
        QTest::addColumn<QString>("service"); // parameters; empty: no service
        QTest::addColumn<int>("key"); // pressed on the prompt while it verifies
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("red");
        QTest::addColumn<qint64>("result");
        const QString stopped = QStringLiteral("在验证的TouchID的过程中被系统取消");
        QTest::newRow("no service") << QString() << 0 << notSupported << true << untold;
        QTest::newRow("no reader") << "{\"devices\": 0}" << 0 << notSupported << true << untold;
        QTest::newRow("no finger") << "{\"fingers\": []}" << 0 << notSupported << true << untold;
        QTest::newRow("match") << "{\"verify\": [\"verify-match\"]}" << 0
                               << QStringLiteral("TouchID验证成功") << false << verified;
        QTest::newRow("no match") << "{\"verify\": [\"verify-no-match\"]}" << 0
                                  << QStringLiteral("TouchID验证失败") << true << failed;
        QTest::newRow("retries, then match")
            << "{\"verify\": [\"verify-retry-scan\", \"verify-swipe-too-short\", \"verify-match\"]}"
            << 0 << QStringLiteral("TouchID验证成功") << false << verified;
        QTest::newRow("reader unplugged")
            << "{\"verify\": [\"verify-disconnected\"]}" << 0 << stopped << true << failed;
        QTest::newRow("service gone") << "{\"vanish\": true}" << 0 << stopped << true << failed;
        QTest::newRow("reader error")
            << "{\"verify\": [\"verify-unknown-error\"]}" << 0 << QString() << true << failed;
        QTest::newRow("user cancel")
            << "{}" << int(Qt::Key_Escape) << QStringLiteral("取消TouchID验证") << true << failed;
        QTest::newRow("fallback") << "{}" << int(Qt::Key_Return)
                                  << QStringLiteral("在TouchID对话框中点击输入密码按钮") << true
                                  << failed;
    }

    void outcome()
    {
        QFETCH(QString, service);
        QFETCH(int, key);
        QFETCH(QString, message);
        QFETCH(bool, red);
        QFETCH(qint64, result);
        if (!service.isEmpty()) {
            m_service.setStandardOutputFile(QProcess::nullDevice());
            m_service.start(m_python,
                            {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                             QStringLiteral("--template"),
                             QStringLiteral(KELVO_SOURCE_DIR "/tests/lock/fprintd.py"),
                             QStringLiteral("-p"), service});
            QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::systemBus().interface()->isServiceRegistered(
                                         QStringLiteral("net.reactivated.Fprint")),
                                     10000);
        }
        const bool supported = message != notSupported;
        PXModalPresenter::scriptAnswers(supported ? QList<int>() : QList<int> {0});
        QWidget window;
        window.resize(375, 667);
        auto *view = new PXTouchIDView(&window);
        view->setDelegate(this);
        view->setGeometry(window.rect());
        window.show();
        if (key) {
            QTRY_COMPARE(serviceState(), QStringLiteral("verifying"));
            QVERIFY(openMessageBox());
            QTest::keyClick(openMessageBox(), Qt::Key(key));
        }
        if (supported)
            QTRY_COMPARE_WITH_TIMEOUT(m_results.size(), 1, 10000);
        else
            QTRY_COMPARE_WITH_TIMEOUT(PXModalPresenter::presentations().size(), 1, 10000);
        QCOMPARE(view->label()->text(), message);
        QCOMPARE(view->label()->palette().color(QPalette::WindowText),
                 red ? PXTouchIDView::red() : PXTouchIDView::grey());
        QCOMPARE(m_results, result == untold ? QList<qint64>() : QList<qint64> {result});
        const PXModalPresenter::Presentation shown = PXModalPresenter::presentations().value(0);
        QCOMPARE(shown.kind,
                 supported ? PXModalPresenter::Kind::Prompt : PXModalPresenter::Kind::Alert);
        QCOMPARE(supported ? shown.title : shown.message,
                 supported ? reason
                           : QStringLiteral(
                               "您尚未设置Touch ID，请在手机系统“设置>Touch ID与密码”中添加指纹"));
        QVERIFY(!openMessageBox());
        if (!service.isEmpty() && !service.contains(QStringLiteral("vanish")))
            QCOMPARE(serviceState(), QStringLiteral("idle"));
    }

    // The lock host's way to another account, whatever the reader does.
    void switchAccount()
    {
        PXModalPresenter::scriptAnswers({0});
        PXTouchIDView view;
        QVERIFY(!view.switchAccountButton());
        view.setPasswordHandle(PXTouchIDView::lockHostHandle);
        QCOMPARE(view.switchAccountButton()->text(), QStringLiteral("切换其他账号"));
        view.switchAccountButton()->click();
        QCOMPARE(m_bindRoots, 1);
    }
};

QTEST_MAIN(tst_TouchID)
#include "tst_touchid.moc"
