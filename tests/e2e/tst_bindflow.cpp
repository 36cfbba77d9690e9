#include "AppDelegate.h"
#include "Application.h"
#include "Clock.h"
#include "IndependentCode.h"
#include "OTPAuthURL.h"
#include "PXAuth.h"
#include "PXBindController.h"
#include "PXCodeController.h"
#include "PXCodeForm.h"
#include "PXFadingLabel.h"
#include "PXLoginButton.h"
#include "PXNavigationController.h"
#include "PXServiceOverride.h"
#include "PXSettingController.h"
#include "PXTextField.h"
#include "PXWindow.h"
#include "ServiceCall.h"
#include "ServiceProcess.h"
#include "TOTPCodeCell.h"
#include "TestWidgets.h"
#include "UserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QtTest>

namespace {
const QString phone = QStringLiteral("13700137000");

// The code at the corrected time, computed without our OTP classes.
QString codeNow(const QString &text)
{
    return independentCode(text, Clock::now() + PXAuth::sharedAuth().timeStamp());
}

QJsonObject hook(const QString &path, const QVariantMap &params)
{
    const auto get
        = [&](auto success, auto failure) { PXNetwork::get(path, params, success, failure, {}); };
    return ServiceCall::run(get).payload.value_or(QJsonObject());
}

// The page the service's web login shows at the opened URL's path and query.
QString webPage(const QUrl &service, const QUrl &opened)
{
    QNetworkAccessManager manager;
    const QUrl url = service.resolved(opened.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(url)));
    return QTest::qWaitFor([&] { return reply->isFinished(); }) ? reply->readAll() : QString();
}

// Asks for a message code as a person would; returns the one the service sent.
QString requestCode(PXBindController *bind, const QString &previous)
{
    QTest::keyClicks(bind->field(), phone);
    QTest::mouseClick(bind->code(), Qt::LeftButton);
    QString code;
    (void)QTest::qWaitFor([&] {
        code = hook("/test/lastCode", {{"phone", phone}}).value("msg").toString();
        return bind->form()->isTiming() && code.size() == 6 && code != previous;
    });
    return code;
}
} // namespace

class tst_BindFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bindAgainstReferenceService()
    {
        static QTemporaryDir data; // the shared stores outlive this function
        qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
        ServiceProcess service(QStringLiteral(KELVO_SERVICE_BIN));
        QVERIFY(service.start());
        PXServiceOverride toService(service.baseURL());
        Clock::setFixedTime(Clock::now()); // no step boundary between two computations
        AppDelegate delegate(Application::sharedApplication());
        delegate.setController();
        PXNavigationController *stack = delegate.window()->rootViewController();
        auto *bind = qobject_cast<PXBindController *>(stack->topViewController());
        QVERIFY(bind && !bind->leftBarButton());

        const QString code = requestCode(bind, {});
        QTest::keyClicks(bind->token(), code);
        QTest::mouseClick(bind->bindButton(), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<PXCodeController *>(stack->topViewController()));
        QCOMPARE(stack->viewControllers().size(), 1); // no way back to binding
        QCOMPARE(UserDefaults::standardUserDefaults().stringForKey("phoneNumber"), phone);
        const QString secretText = phone + ',' + code + ',' + PXAuth::sharedAuth().getUUID();
        TOTPCodeCell *row = nullptr;
        QTRY_VERIFY((row = stack->topViewController()->findChild<TOTPCodeCell *>()));
        QCOMPARE(row->codeLabel()->text(), codeNow(secretText));
        // The web tile logs in with that code once; the same URL again is a replay.
        QUrl opened;
        Application &app = Application::sharedApplication();
        app.setURLOpener([&](const QUrl &url) { return (opened = url).isValid(); });
        QTest::mouseClick(stack->topViewController()->findChild<PXLoginButton *>(), Qt::LeftButton);
        app.setURLOpener({});
        QVERIFY(webPage(service.baseURL(), opened).contains("登录成功</h1><p>手机号：" + phone));
        QVERIFY(webPage(service.baseURL(), opened).contains("动态码已使用"));

        // Again from the code screen, with the new code in the wrong case:
        // refused, and the first binding stands.
        QCOMPARE(hook("/test/advanceClock", {{"seconds", 61}}).value("code"), QJsonValue(0));
        QTest::mouseClick(stack->topViewController()->rightBarButton(), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<PXSettingController *>(stack->topViewController()));
        stack->popViewControllerAnimated(false);
        QTest::mouseClick(stack->topViewController()->leftBarButton(), Qt::LeftButton);
        auto *again = qobject_cast<PXBindController *>(stack->topViewController());
        QVERIFY(again && again->leftBarButton()); // an account is bound: a way back
        const QString next = requestCode(again, code);
        const QString wrongCase = next.toLower() != next ? next.toLower() : next.toUpper();
        if (wrongCase == next)
            QSKIP("this message code has no letters to give in the wrong case");
        QTest::keyClicks(again->token(), wrongCase);
        QTest::mouseClick(again->bindButton(), Qt::LeftButton);
        QTRY_COMPARE(currentToast(), QStringLiteral("验证码错误，请重新输入"));
        QTRY_VERIFY(PXAuth::sharedAuth().timeStamp() > 50); // the service clock is 61 s ahead
        QCOMPARE(stack->topViewController(), again);
        QCOMPARE(UserDefaults::standardUserDefaults().stringForKey("phoneNumber"), phone);
        QCOMPARE(PXAuth::sharedAuth().authURL()->otpCode(), codeNow(secretText));
        Clock::clearFixedTime();
    }
};

QTEST_MAIN(tst_BindFlow)
#include "tst_bindflow.moc"
