#include "AppDelegate.h"
#include "Application.h"
#include "DataRow.h"
#include "FileModes.h"
#include "FprintdStandIn.h"
#include "PXAuth.h"
#include "PXBindController.h"
#include "PXCodeController.h"
#include "PXCodeForm.h"
#include "PXCodeIDView.h"
#include "PXGestureIDView.h"
#include "PXLoginController.h"
#include "PXManageController.h"
#include "PXModalPresenter.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXServiceOverride.h"
#include "PXSettingCell.h"
#include "PXSettingController.h"
#include "PXSwitch.h"
#include "PXTextField.h"
#include "PXTimerInstance.h"
#include "PXTouchIDView.h"
#include "PXWindow.h"
#include "ScriptedHttpServer.h"
#include "TestWidgets.h"
#include "UserDefaults.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString phone = QStringLiteral("13600136000");
const QString pattern = QStringLiteral("0125");

PXBaseController *top(PXWindow *window)
{
    return window->rootViewController()->viewControllers().last();
}

// Drawn from the keyboard (7 8 9 on top), which needs no wait for the pad to clear.
void draw(PXGestureView *pad, const QString &nodes)
{
    QTest::keyClick(pad, Qt::Key_Escape);
    for (QChar node : nodes)
        QTest::keyClick(pad, "789456123"[node.digitValue()]);
    QTest::keyClick(pad, Qt::Key_Enter);
}

// The lock list as written: one flag per kind, fingerprint first ("10").
QString storedLocks()
{
    PXParamModel written(PXParamModel::sharedParamModel()->loginTypeFile());
    QString flags;
    for (const auto &entry : written.loginTypes())
        flags += entry->value() ? u'1' : u'0';
    return flags;
}

void store(const QString &locks, const QString &password)
{
    const auto &list = PXParamModel::sharedParamModel()->loginTypes();
    for (int i = 0; i < list.size(); ++i)
        list.at(i)->setValue(locks.at(i) == u'1');
    QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
    PXPasswordVM *vm = PXPasswordVM::sharedPasswordVM();
    password.isEmpty() ? vm->clearPassword() : void(vm->setPassword(password, password));
}
} // namespace

class tst_AppLock : public QObject
{
    Q_OBJECT
    QTemporaryDir m_data;
    FprintdStandIn m_fprintd;
    std::unique_ptr<AppDelegate> m_delegate;

    PXLoginController *launch()
    {
        m_delegate->setController();
        return qobject_cast<PXLoginController *>(top(m_delegate->window()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("KELVO_DATA_DIR", m_data.path().toLocal8Bit());
        if (const QString missing = FprintdStandIn::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        QVERIFY(m_fprintd.startBus());
        m_delegate = std::make_unique<AppDelegate>(Application::sharedApplication());
        PXModalPresenter::setRecording(true);
        PXAuth &auth = PXAuth::sharedAuth();
        QVERIFY(auth.setAuthURL(phone + QStringLiteral(",Ab3dE9,") + auth.getUUID(), phone));
    }

    void cleanup()
    {
        m_fprintd.stopService();
        PXModalPresenter::clear();
        PXTimerInstance::shareInstance()->stopTimer();
        UserDefaults::standardUserDefaults().removeObjectForKey(PXTimerInstance::limitBeganTimeKey);
        UserDefaults::standardUserDefaults().removeObjectForKey(PXGestureIDView::limitCountKey);
    }

    // Every switch change is confirmed on the management screen, and only a
    // confirmed change is stored; the switches then show what is stored.
    void switches_data()
    {
        QTest::addColumn<QString>("before"); // stored locks, fingerprint first
        QTest::addColumn<QString>("password"); // stored pattern; empty: none
        QTest::addColumn<int>("row"); // 0 fingerprint, 1 gesture
        QTest::addColumn<QString>("steps"); // "match": the reader accepts; "back"; drawings
        QTest::addColumn<QString>("after");
        dataRow("fingerprint on", "00", "", 0, "match", "10");
        dataRow("fingerprint off", "10", "", 0, "match", "00");
        dataRow("fingerprint over gesture", "01", pattern, 0, "match", "10");
        dataRow("gesture on, new pattern", "00", "", 1, "0125 0125", "01");
        dataRow("gesture on, stored pattern", "10", pattern, 1, "0125", "01");
        dataRow("gesture off", "01", pattern, 1, "0125", "00");
        dataRow("gesture off, none stored", "01", "", 1, "0125 0125", "01");
        dataRow("wrong pattern, back", "00", pattern, 1, "0124 back", "00");
        dataRow("reader refuses, back", "00", "", 0, "back", "00");
        // The delayed close after "设置成功" takes the management screen from
        // under the binding screen pushed meanwhile, not the binding screen.
        dataRow("new pattern, then another account", "00", pattern, 1,
                "modify 0125 0136 0136 account back", "01");
    }

    void switches()
    {
        QFETCH(QString, before);
        QFETCH(QString, password);
        QFETCH(int, row);
        QFETCH(QString, steps);
        QFETCH(QString, after);
        store(before, password);
        const QString file = PXParamModel::sharedParamModel()->loginTypeFile();
        const QByteArray written = fileBytes(file);
        const QString verify = steps == QLatin1String("match") ? "match" : "no-match";
        QVERIFY(row != 0 || m_fprintd.startService(R"({"verify": ["verify-)" + verify + R"("]})"));
        PXModalPresenter::scriptAnswers({});
        PXWindow window;
        auto *settings = new PXSettingController;
        window.setRootViewController(new PXNavigationController(settings));
        window.show();
        auto *cell = qobject_cast<PXSettingCell *>(settings->table()->cellForRow(row));
        QTest::mouseClick(cell->sw(), Qt::LeftButton);
        auto *manage = qobject_cast<PXManageController *>(top(&window));
        QVERIFY(manage);
        const auto gesture
            = [manage] { return qobject_cast<PXGestureIDView *>(manage->lockView()); };
        for (const QString &step : steps.split(u' ')) {
            if (step == QLatin1String("back")) {
                if (row == 0) // the refusal has come
                    QTRY_COMPARE(qobject_cast<PXTouchIDView *>(manage->lockView())->label()->text(),
                                 QStringLiteral("TouchID验证失败"));
                QTest::mouseClick(top(&window)->leftBarButton(), Qt::LeftButton);
            } else if (step == QLatin1String("modify") || step == QLatin1String("account")) {
                PXModalPresenter::scriptAnswers({step == QLatin1String("modify") ? 0 : 2});
                QTest::mouseClick(gesture()->manageBtn(), Qt::LeftButton);
                if (step == QLatin1String("modify")) {
                    QTRY_COMPARE(gesture()->passwordHandle(), qint64(PXPasswordHandleModify));
                } else { // the delayed close leaves the binding screen on top
                    QTRY_VERIFY(qobject_cast<PXBindController *>(top(&window)));
                    QTRY_COMPARE(window.rootViewController()->viewControllers().size(), 2);
                    QVERIFY(qobject_cast<PXBindController *>(top(&window)));
                }
            } else if (step != QLatin1String("match")) {
                draw(gesture()->gestureView(), step);
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(top(&window), settings, 5000);
        QCOMPARE(storedLocks(), after);
        if (after == before)
            QCOMPARE(fileBytes(file), written);
        for (int i = 0; i < 2; ++i) // an unconfirmed change springs back
            QCOMPARE(qobject_cast<PXSettingCell *>(settings->table()->cellForRow(i))->sw()->isOn(),
                     after.at(i) == u'1');
        // Switching a lock off keeps the pattern for a later switch-on.
        QCOMPARE(PXPasswordVM::sharedPasswordVM()->isExist(),
                 !password.isEmpty() || steps.count(pattern) == 2);
    }

    // Only a set or verified pattern and an accepted finger open the app.
    void hostResults_data()
    {
        QTest::addColumn<QString>("locks");
        QTest::addColumn<qint64>("result");
        for (const QString locks : {"10", "01"})
            for (qint64 result = PXLockResultPatternRecorded; result <= PXLockResultVerifyFailed;
                 ++result)
                QTest::addRow("%s, result %lld", locks == "10" ? "fingerprint" : "gesture", result)
                    << locks << result;
    }

    void hostResults()
    {
        QFETCH(QString, locks);
        QFETCH(qint64, result);
        store(locks, pattern);
        PXLoginController *host = launch();
        QVERIFY(host);
        if (locks == QLatin1String("10"))
            host->touchIDResult(result);
        else if (result == PXLockResultVerified) // drawn, as the owner does
            draw(qobject_cast<PXGestureIDView *>(host->lockView())->gestureView(), pattern);
        else
            host->gestureIDResult(result);
        QCOMPARE(qobject_cast<PXCodeController *>(top(m_delegate->window())) != nullptr,
                 result == PXLockResultPasswordSet || result == PXLockResultVerified);
    }

    // The check's answer decides, for the last bound number only, however the
    // check is sent. The locks go off only when that can be written; then the
    // pattern goes and the app opens. A reply to a view that went does nothing.
    void reverificationAnswer_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key"); // 0: the login button; -1: the code button; else a key
        QTest::addColumn<QByteArray>("reply"); // null: the service is unreachable
        QTest::addColumn<QString>("meanwhile"); // before the reply arrives
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("told"); // the last alert or toast; empty: not looked at
        const QString other = QStringLiteral("13600136001");
        const QString mismatch = QStringLiteral("与最后一次绑定的手机号码不一致");
        const auto reply = [](int code, const char *msg) -> QByteArray {
            return "{\"data\":{\"code\":" + QByteArray::number(code) + ",\"msg\":\"" + msg + "\"}}";
        };
        const QByteArray ok = reply(0, "验证成功");
        const int button = 0;
        const int enter = Qt::Key_Return;
        dataRow("code 0", phone, button, ok, "", true, "");
        dataRow("code 1", phone, button, reply(1, "验证码错误"), "", false, "验证码错误");
        dataRow("code 2", phone, enter, reply(2, "验证码失效"), "", false, "验证码失效");
        dataRow("no code", phone, button, QByteArray(R"({"data":{"msg":"ok"}})"), "", true, "");
        dataRow("network failure", phone, button, QByteArray(), "", false, "");
        dataRow("another number, button", other, button, ok, "", false, mismatch);
        dataRow("another number, Return", other, enter, ok, "", false, mismatch);
        dataRow("another number, code button", other, -1, ok, "", false, mismatch);
        dataRow("rebound meanwhile", phone, button, ok, "rebind", false, mismatch);
        dataRow("view gone meanwhile", phone, button, ok, "gone", false, "");
        dataRow("list cannot be written", phone, button, ok, "unwritable", false,
                "设置保存失败，请稍后再试");
    }

    void reverificationAnswer()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QByteArray, reply);
        QFETCH(QString, meanwhile);
        QFETCH(bool, opens);
        QFETCH(QString, told);
        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.setDefaultReply(ScriptedHttpServer::json(reply));
        PXServiceOverride override(server.baseURL());
        if (reply.isNull())
            server.close(); // nobody listens
        UserDefaults::standardUserDefaults().setObject(phone, PXAuth::phoneNumberKey);
        store("01", pattern);
        PXLoginController *host = launch();
        host->forgetGestureID();
        QPointer<PXCodeIDView> view = qobject_cast<PXCodeIDView *>(host->lockView());
        QTest::keyClicks(view->form()->field(), typed);
        QTest::keyClicks(view->form()->token(), QStringLiteral("Ab3dE9"));
        PXModalPresenter::scriptAnswers({0});
        if (key > 0)
            QTest::keyClick(view->form()->token(), Qt::Key(key));
        else
            key ? view->clickCode() : view->clickLogin();
        const QString list = PXParamModel::sharedParamModel()->loginTypeFile();
        if (meanwhile == QLatin1String("rebind"))
            UserDefaults::standardUserDefaults().setObject(QStringLiteral("13700137000"),
                                                           PXAuth::phoneNumberKey);
        else if (meanwhile == QLatin1String("gone"))
            delete view;
        else if (meanwhile == QLatin1String("unwritable")) // a folder in the file's place
            QVERIFY(QFile::remove(list) && QDir().mkpath(list + QStringLiteral("/x")));
        const auto checks = [&server] {
            const QList<ScriptedHttpServer::Request> requests = server.requests();
            return std::count_if(requests.cbegin(), requests.cend(),
                                 [](const auto &r) { return r.path().endsWith("AuthCode"); });
        };
        // Another number sends nothing at all, not even a check refused later.
        const qsizetype sent = typed == phone && !reply.isNull() ? 1 : 0;
        QTRY_COMPARE(checks(), sent);
        QTest::qWait(300); // the reply has been handled
        QCOMPARE(checks(), sent);
        QCOMPARE(qobject_cast<PXCodeController *>(top(m_delegate->window())) != nullptr, opens);
        if (!told.isEmpty())
            QVERIFY(currentToast() == told
                    || PXModalPresenter::presentations().value(0).message == told);
        QCOMPARE(PXPasswordVM::sharedPasswordVM()->isExist(), !opens);
        QCOMPARE(PXParamModel::sharedParamModel()->loginType(), opens ? 0 : 2);
        if (meanwhile == QLatin1String("unwritable"))
            QVERIFY(QDir(list).removeRecursively());
        else
            QCOMPARE(storedLocks(), opens ? QStringLiteral("00") : QStringLiteral("01"));
    }
};

QTEST_MAIN(tst_AppLock)
#include "tst_applock.moc"
