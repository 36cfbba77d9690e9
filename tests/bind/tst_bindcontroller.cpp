#include "OTPAuthURL.h"
#include "PXAuth.h"
#include "PXBindController.h"
#include "PXCodeForm.h"
#include "PXModalPresenter.h"
#include "PXNavigationBar.h"
#include "PXNavigationController.h"
#include "PXScreenCreators.h"
#include "PXServiceOverride.h"
#include "PXTextField.h"
#include "PXWindow.h"
#include "ScriptedHttpServer.h"
#include "TestWidgets.h"
#include "UserDefaults.h"

#include <QAccessible>
#include <QPushButton>
#include <QtTest>

namespace {
const QString oldPhone = QStringLiteral("13900000000");
const QString phone = QStringLiteral("13800138000");

// Stands in for the code screen, which this library must not know.
class StandInCode : public PXBaseController
{ };

// The binding screen pushed over a stand-in code screen, on a 375 x 667 window.
struct Screen
{
    Screen()
    {
        window.setRootViewController(new PXNavigationController(new StandInCode));
        window.rootViewController()->pushViewController(bind, false);
        window.show();
    }
    qsizetype depth() const { return window.rootViewController()->viewControllers().size(); }
    PXBindController *bind = new PXBindController;
    PXWindow window;
};

// number, code: typed, or pasted when they start with "+". tap: c the get-code
// button, b the bind button, 2 that twice, r Enter in the code field. reply: to
// the first request, "500" fails. answer: to the confirmation alert. requests:
// how many reach the service.
struct Case
{
    QString number, code, tap;
    QByteArray reply;
    int answer;
    QString alert, toast;
    int requests;
    bool binds = false;
};

void bindEarlierAccount()
{
    QVERIFY(PXAuth::sharedAuth().setAuthURL(oldPhone + ",OLDOLD,device", oldPhone));
    UserDefaults::standardUserDefaults().setObject(oldPhone, PXAuth::phoneNumberKey);
}

QByteArray reply(const char *data)
{
    return QByteArray(R"({"data":)") + data + "}";
}
} // namespace
Q_DECLARE_METATYPE(Case)

class tst_BindController : public QObject
{
    Q_OBJECT
    QTemporaryDir m_data;
    ScriptedHttpServer m_server;
    std::unique_ptr<PXServiceOverride> m_override;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("KELVO_DATA_DIR", m_data.path().toLocal8Bit());
        QVERIFY(m_server.start());
        m_server.setDefaultReply(ScriptedHttpServer::json(reply(R"({"code":0,"msg":"已发送"})")));
        m_override = std::make_unique<PXServiceOverride>(m_server.baseURL());
        PXScreenCreators::registerCreator(PXScreenCreators::Screen::Code,
                                          [] { return new StandInCode; });
        PXModalPresenter::setRecording(true);
        bindEarlierAccount();
    }

    void flow_data()
    {
        QTest::addColumn<Case>("c");
        const QString p = phone, twelve = "138001380001", noPhone = "请输入手机号";
        const QString badPhone = "手机号格式不正确，请重新输入...";
        const QByteArray none, fail = "500", confirm = reply(R"({"code":2,"msg":"换绑？"})");
        const QByteArray wrong = reply(R"({"code":"1","msg":"错误"})");
        const auto row = [](const char *name, const Case &c) { QTest::newRow(name) << c; };
        row("code: none", {"", "", "c", none, -1, noPhone, "", 0});
        row("code: ten", {"1380013800", "", "c", none, -1, badPhone, "", 0});
        row("code: twelve pasted", {"+" + twelve, "", "c", none, -1, "", "", 0});
        row("code: twelve typed", {twelve, "", "c", reply("{}"), -1, "", "已发送", 3});
        row("code: 1", {p, "", "c", reply(R"({"code":1})"), -1, "", "已发送", 3});
        row("code: 2, 取消", {p, "", "c", confirm, 0, "换绑？", "", 1});
        row("code: 2, 确定", {p, "", "c", confirm, 1, "换绑？", "已发送", 3});
        row("code: -1", {p, "", "c", reply(R"({"code":-1,"msg":"否"})"), -1, "", "否", 1});
        row("code: 3", {p, "", "c", reply(R"({"code":3,"msg":"否"})"), -1, "否", "", 1});
        row("code: failure", {p, "", "c", fail, -1, "", "网络不给力！", 1});
        row("bind: none", {"", "", "b", none, -1, noPhone, "", 0});
        row("bind: ten", {"1380013800", "Ab3dE9", "b", none, -1, badPhone, "", 0});
        row("bind: code empty", {"+" + twelve, "", "b", none, -1, "请输入验证码", "", 0});
        row("bind: five", {p, "Ab3dE", "b", none, -1, "验证码格式不正确，请重新输入...", "", 0});
        row("bind: twelve", {"+" + twelve, "Ab3dE9", "b", none, -1, "", "", 0});
        row("bind: seven pasted", {p, "+Ab3dE9x", "b", none, -1, "", "", 0});
        row("bind: seven typed", {p, "Ab3dE9x", "b", wrong, -1, "", "错误", 1});
        row("return: five", {p, "Ab3dE", "r", wrong, -1, "", "错误", 1});
        row("bind: failure", {p, "Ab3dE9", "b", fail, -1, "", "网络不给力！", 1});
        row("bind: no code",
            {p, "Ab3dE9", "b", reply(R"({"msg":"成功"})"), -1, "", "成功", 1, true});
        row("bind: two acceptances", {p, "Ab3dE9", "2", reply("{}"), -1, "", "", 2, true});
    }

    void flow()
    {
        QFETCH(Case, c);
        PXModalPresenter::clear();
        ScriptedHttpServer::Reply scripted = ScriptedHttpServer::json(c.reply);
        scripted.status = c.reply == "500" ? 500 : 200;
        for (int i = c.tap == "c" ? qMin(1, c.requests) : c.requests; i > 0; --i)
            m_server.enqueue(scripted);
        if (c.answer >= 0)
            PXModalPresenter::scriptAnswers({c.answer});
        const qsizetype before = m_server.requests().size();
        Screen s;
        QCOMPARE(s.bind->leftBarButton()->text(), QStringLiteral("返回"));
        for (const auto &[field, text] :
             {std::pair(s.bind->field(), c.number), std::pair(s.bind->token(), c.code)})
            text.startsWith('+') ? field->insert(text.mid(1)) : QTest::keyClicks(field, text);
        if (c.tap == "r")
            QTest::keyClick(s.bind->token(), Qt::Key_Return);
        for (int i = c.tap == "2" ? 2 : int(c.tap != "r"); i > 0; --i)
            (c.tap == "c" ? s.bind->code() : s.bind->bindButton())->click();
        QCOMPARE(s.bind->code()->isEnabled(), c.tap != "c" || c.requests == 0); // busy meanwhile
        QTRY_COMPARE(int(m_server.requests().size() - before), c.requests);
        if (!c.binds) {
            QTRY_VERIFY(s.bind->code()->isEnabled());
            QCOMPARE(s.bind->form()->isTiming(), c.requests == 3);
        }
        const auto alert = []() -> QString {
            const auto shown = PXModalPresenter::presentations().value(0);
            return shown.title + shown.message + shown.buttons.join(',');
        };
        const QString buttons = c.answer < 0 ? "确定" : "取消,确定";
        QTRY_COMPARE(alert(), c.alert.isEmpty() ? QString() : "提示" + c.alert + buttons);
        QTRY_COMPARE(currentToast(), c.toast);
        const QString held = c.binds ? c.number : oldPhone;
        QTRY_COMPARE(PXAuth::sharedAuth().authURL()->name(), held); // the bind reply may lag
        QCOMPARE(UserDefaults::standardUserDefaults().stringForKey("phoneNumber"), held);
        QTRY_COMPARE(s.depth(), c.binds ? 1 : 2);
        bindEarlierAccount(); // again, for the next row
    }

    // As the root (a forgotten pattern, a failed start) binding has no way
    // back, although an account is bound: nothing shows in the bar's corners.
    void rootHasNoWayBack()
    {
        PXWindow window;
        auto *bind = new PXBindController;
        bind->setNoBack(true);
        window.setRootViewController(new PXNavigationController(bind));
        window.show();
        const auto buttons = window.findChild<PXNavigationBar *>()->findChildren<QPushButton *>();
        QVERIFY(!buttons.isEmpty());
        for (const QPushButton *button : buttons)
            QVERIFY2(!button->isVisible(), qPrintable(button->text()));
    }

    void countdown()
    {
        Screen s;
        PXBindController *bind = s.bind;
        PXCodeForm *form = bind->form();
        form->startTiming();
        QVERIFY(bind->code()->isHidden() && form->clock()->text().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(form->clock()->text(), QStringLiteral("(180)重新获取"), 2000);
        QCOMPARE(QAccessible::queryAccessibleInterface(form->clock())->text(QAccessible::Name),
                 QStringLiteral("(180)重新获取"));
        form->timing();
        form->startTiming(); // a restart counts from 180 again
        form->timing();
        QCOMPARE(form->clock()->text(), QStringLiteral("(180)重新获取"));
        for (int i = 0; i < 179; ++i)
            form->timing();
        QCOMPARE(form->clock()->text(), QStringLiteral("(1)重新获取"));
        QVERIFY(!form->isTiming() && !bind->code()->isHidden() && form->clock()->isHidden());
        bind->field()->setText(phone);
        form->startTiming();
        bind->field()->insert("1"); // a paste at position 11 is refused: no edit
        QVERIFY(form->isTiming() && bind->field()->text() == phone);
        bind->field()->setText(phone + "1");
        QTest::keyClick(bind->field(), Qt::Key_Backspace); // any edit of the number ends it
        QVERIFY(!form->isTiming() && !bind->code()->isHidden());
        QCOMPARE(bind->field()->text(), QStringLiteral("13800138000")); // deletions always pass
    }
};

QTEST_MAIN(tst_BindController)
#include "tst_bindcontroller.moc"
