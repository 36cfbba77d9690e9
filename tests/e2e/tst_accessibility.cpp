#include "AppDelegate.h"
#include "Application.h"
#include "FprintdStandIn.h"
#include "OTPAuthURL.h"
#include "OTPCountdownClock.h"
#include "PXApplicationRoutes.h"
#include "PXAuth.h"
#include "PXAuthenticationPrompt.h"
#include "PXCodeController.h"
#include "PXCodeView.h"
#include "PXLoginController.h"
#include "PXModalPresenter.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXScreenCreators.h"
#include "PXServiceOverride.h"
#include "PXSettingController.h"
#include "PXWindow.h"
#include "ScriptedHttpServer.h"
#include "TOTPCodeCell.h"
#include "TestWidgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QtTest>

namespace {
using Path = QList<int>; // child indices from the window down

// Leaves the app's own routes alone and records what the screens ask for.
struct RecordingRoutes : PXApplicationRoutes
{
    QStringList calls;
    void setActionController() override { calls << QStringLiteral("first screen"); }
    void setBindRootController() override { calls << QStringLiteral("binding root"); }
};

QAccessibleInterface *find(QWidget *window, const Path &path)
{
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(window);
    for (int i : path)
        node = node ? node->child(i) : nullptr;
    return node;
}

QString tapAction(QAccessibleInterface *node)
{
    using A = QAccessibleActionInterface;
    const QStringList names
        = node->actionInterface() ? node->actionInterface()->actionNames() : QStringList();
    for (const QString &name : {A::pressAction(), A::toggleAction(), A::showMenuAction()})
        if (names.contains(name))
            return name;
    return {};
}

// Checks every object shown under node: each control has a name and an action,
// custom-drawn views tell what they show. Lists the paths of those a tap acts on.
void walk(QAccessibleInterface *node, const Path &path, QList<Path> &tappable)
{
    if (node->state().invisible || QTest::currentTestFailed())
        return;
    QObject *object = node->object();
    if (auto *row = qobject_cast<TOTPCodeCell *>(object))
        QCOMPARE(node->text(QAccessible::Name), row->authURL()->otpCode());
    else if (qobject_cast<OTPCountdownClock *>(object))
        QVERIFY(node->text(QAccessible::Description).startsWith(QStringLiteral("剩余")));
    else if (auto *dot = qobject_cast<PXCodeView *>(object))
        QVERIFY(node->role() == QAccessible::CheckBox
                && node->text(QAccessible::Name).toInt() == PXCodeView::keypadDigit(dot->number()));
    auto *widget = qobject_cast<QWidget *>(object);
    const bool control = widget && widget->isEnabled()
        && (qobject_cast<QAbstractButton *>(widget) || widget->focusPolicy() & Qt::TabFocus);
    const char *what = object->metaObject()->className();
    QVERIFY2(!control || !node->text(QAccessible::Name).isEmpty(), what);
    QVERIFY2(!control
                 || (node->actionInterface() && !node->actionInterface()->actionNames().isEmpty()),
             what);
    if (!tapAction(node).isEmpty())
        tappable << path;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface *child = node->child(i))
            walk(child, path + Path {i}, tappable);
}

void storeLocks(const QString &locks)
{
    const auto &list = PXParamModel::sharedParamModel()->loginTypes();
    for (int i = 0; i < list.size(); ++i)
        list.at(i)->setValue(locks.at(i) == u'1');
    QVERIFY(PXParamModel::sharedParamModel()->saveLoginTypes());
}
} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT
    QTemporaryDir m_data;
    ScriptedHttpServer m_server;
    FprintdStandIn m_fprintd;
    bool m_reader = false;
    std::unique_ptr<PXServiceOverride> m_override;
    std::unique_ptr<AppDelegate> m_delegate;
    RecordingRoutes m_routes;
    std::unique_ptr<PXAuthenticationPrompt> m_prompt;
    QStringList m_urls;
    QStringList m_answers; // given to the presenter's caller
    qsizetype m_requests = 0;

    std::unique_ptr<PXWindow> build(const QString &name)
    {
        storeLocks(name == "fingerprint lock" ? "10" : "01");
        const qsizetype asked = m_server.requests().size();
        PXBaseController *screen = nullptr;
        if (name == "binding")
            screen = PXScreenCreators::create(PXScreenCreators::Screen::Bind);
        else if (name == "code")
            screen = new PXCodeController;
        else if (name == "settings")
            screen = new PXSettingController;
        else if (name.startsWith("manage"))
            screen = PXScreenCreators::createManage(name.endsWith("gesture") ? 2 : 1, true);
        auto *login
            = name.endsWith("lock") || name == "re-verification" ? new PXLoginController : nullptr;
        auto *navigation = new PXNavigationController(login ? login : new PXBaseController);
        if (screen)
            navigation->pushViewController(screen, false);
        auto window = std::make_unique<PXWindow>();
        PXWindow *w = window.get();
        w->resize(375, 667);
        w->setRootViewController(navigation);
        w->show();
        const auto answer = [this](int index) { m_answers << QString::number(index); };
        if (name == "alert")
            PXModalPresenter::showAlert(w, "提示", "<b>msg</b>", {"取消", "确定"}, answer);
        else if (name == "action sheet")
            PXModalPresenter::showActionSheet(w, {"修改手势密码", "忘记手势密码"}, "取消", answer);
        else if (name == "authentication prompt")
            (m_prompt = std::make_unique<PXAuthenticationPrompt>(w))->open("指纹", answer);
        else if (name == "re-verification")
            login->forgetGestureID();
        else if (auto *code = qobject_cast<PXCodeController *>(screen)) // it asks the service time
            std::ignore = QTest::qWaitFor(
                [&] { return m_server.requests().size() > asked && code->clock(); });
        if (name.contains("fingerprint")) // the reader waits
            std::ignore = QTest::qWaitFor([] { return openMessageBox(); });
        QTest::qWait(10);
        // What the window did while it was built is no outcome of a tap.
        PXModalPresenter::clear();
        PXModalPresenter::setRecording(true);
        m_requests = m_server.requests().size();
        m_urls.clear();
        m_answers.clear();
        m_routes.calls.clear();
        QGuiApplication::clipboard()->clear();
        return window;
    }

    QString outcome(PXWindow *window)
    {
        QTest::qWait(250); // an accessible press is an animated click
        QStringList seen;
        for (const PXBaseController *screen : window->rootViewController()->viewControllers())
            seen << screen->metaObject()->className() + screen->title();
        for (const auto &shown : PXModalPresenter::presentations())
            seen << shown.title + shown.message + shown.buttons.join(u',');
        for (const auto &request : m_server.requests().mid(m_requests))
            seen << QString::fromUtf8(request.path());
        seen << m_answers << m_urls << m_routes.calls << QGuiApplication::clipboard()->text()
             << currentToast();
        return seen.join(u'|');
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("KELVO_DATA_DIR", m_data.path().toLocal8Bit());
        QVERIFY(m_server.start());
        m_server.setDefaultReply(ScriptedHttpServer::json(R"({"data":{"code":0,"msg":"ok"}})"));
        m_override = std::make_unique<PXServiceOverride>(m_server.baseURL());
        m_reader = FprintdStandIn::missingTools().isEmpty() && m_fprintd.startBus()
            && m_fprintd.startService("{}");
        m_delegate = std::make_unique<AppDelegate>(Application::sharedApplication());
        PXApplicationRoutes::install(&m_routes);
        Application::sharedApplication().setURLOpener([this](const QUrl &url) {
            m_urls << url.toString(QUrl::RemoveQuery); // tokens are padded at random
            return false;
        });
        PXAuth &auth = PXAuth::sharedAuth();
        QVERIFY(auth.setAuthURL("13600136000,Ab3dE9," + auth.getUUID(), "13600136000"));
        PXPasswordVM::sharedPasswordVM()->setPassword("0125", "0125");
    }

    void cleanupTestCase()
    {
        m_prompt.reset();
        Application::sharedApplication().setURLOpener({});
        PXApplicationRoutes::uninstall(&m_routes);
        m_fprintd.stopService();
    }

    void actionsAreClicks_data()
    {
        QTest::addColumn<QString>("screen");
        for (const char *screen :
             {"binding", "code", "settings", "manage gesture", "manage fingerprint", "gesture lock",
              "fingerprint lock", "re-verification", "alert", "action sheet",
              "authentication prompt"})
            QTest::newRow(screen) << QString::fromLatin1(screen);
    }

    // As a screen-reader user: each tap action, run on one copy of a screen, ends as a click on
    // another: same screens, presentations, requests, answers, URLs, routes, clipboard, toast.
    void actionsAreClicks()
    {
        QFETCH(QString, screen);
        if (screen.contains("fingerprint") && !m_reader)
            QSKIP("no fingerprint service stand-in");
        QList<Path> paths;
        walk(find(build(screen).get(), {}), {}, paths); // the window lives to the end of the line
        QVERIFY(!QTest::currentTestFailed() && !paths.isEmpty());
        for (const Path &path : std::as_const(paths)) {
            QStringList ends;
            QString name;
            for (bool click : {false, true}) {
                const std::unique_ptr<PXWindow> window = build(screen);
                QAccessibleInterface *node = find(window.get(), path);
                QVERIFY(node);
                name = node->text(QAccessible::Name);
                if (click)
                    QTest::mouseClick(qobject_cast<QWidget *>(node->object()), Qt::LeftButton);
                else
                    node->actionInterface()->doAction(tapAction(node));
                ends << outcome(window.get());
                m_prompt.reset();
            }
            QVERIFY2(ends.first() == ends.last(), qPrintable(name + ": " + ends.join(" / ")));
        }
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
