#include "AppDelegate.h"

#include "Application.h"
#include "PXAuth.h"
#include "PXBindController.h"
#include "PXCodeController.h"
#include "PXCrashReport.h"
#include "PXLoginController.h"
#include "PXManageController.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPush.h"
#include "PXReachability.h"
#include "PXScreenCreators.h"
#include "PXWindow.h"
#include "PushService.h"

namespace {
// The platform's "new data" fetch result.
constexpr int fetchResultNewData = 0;
} // namespace

AppDelegate::AppDelegate(Application &application)
    : m_application(application)
{
    installRoutes();
}

void AppDelegate::installRoutes()
{
    PXScreenCreators::registerCreator(PXScreenCreators::Screen::Bind,
                                      [] { return new PXBindController(); });
    PXScreenCreators::registerCreator(PXScreenCreators::Screen::Code,
                                      [] { return new PXCodeController(); });
    PXScreenCreators::registerManageCreator([](qint64 type, bool value) {
        auto *manage = new PXManageController();
        manage->setType(type);
        manage->setValue(value);
        return manage;
    });
    PXApplicationRoutes::install(this);
}

AppDelegate::~AppDelegate() = default;

AppDelegate *AppDelegate::shared()
{
    return dynamic_cast<AppDelegate *>(Application::sharedApplication().delegate());
}

bool AppDelegate::didFinishLaunchingWithOptions(const QVariantMap &launchOptions)
{
    PXCrashReport::initCrashReportSDK();
    PXReachability::sharedReachability().startReachability();
    PXPush::remoteNotification(m_application, launchOptions);
    setController();
    return true;
}

bool AppDelegate::openURL(const QUrl &, const QString &, const QVariant &)
{
    // Whatever the URL says, opening the app only chooses the root again.
    setController();
    return true;
}

void AppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(const QByteArray &deviceToken)
{
    PushService::registerDeviceToken(deviceToken);
}

void AppDelegate::didReceiveRemoteNotification(const QVariantMap &payload)
{
    PushService::handleRemoteNotification(payload);
}

void AppDelegate::didReceiveRemoteNotification(const QVariantMap &payload,
                                               const std::function<void(int)> &completion)
{
    PushService::handleRemoteNotification(payload);
    if (completion)
        completion(fetchResultNewData);
}

void AppDelegate::setController()
{
    if (PXLoginController::lockToShow(*param()) != 0)
        setLoginController();
    else
        setActionController();
}

void AppDelegate::setLoginController()
{
    replaceWindow(new PXLoginController());
}

void AppDelegate::setActionController()
{
    if (hasBoundAccount())
        replaceWindow(new PXCodeController());
    else
        replaceWindow(new PXBindController());
}

void AppDelegate::setBindRootController()
{
    auto *bind = new PXBindController();
    bind->setNoBack(true);
    if (!m_window) {
        replaceWindow(bind);
        return;
    }
    m_window->setRootViewController(new PXNavigationController(bind));
    m_window->makeKeyAndVisible();
}

void AppDelegate::replaceWindow(PXBaseController *root)
{
    auto window = std::make_unique<PXWindow>();
    if (m_window) {
        // The caller may be a screen of the old window (the lock host after an
        // unlock): let it return before its window goes away.
        window->resize(m_window->size());
        window->move(m_window->pos());
        PXWindow *old = m_window.release();
        old->hide();
        old->deleteLater();
    }
    m_window = std::move(window);
    m_window->setRootViewController(new PXNavigationController(root));
    m_window->makeKeyAndVisible();
}

PXWindow *AppDelegate::window() const
{
    return m_window.get();
}

PXParamModel *AppDelegate::param()
{
    if (!m_param)
        m_param = PXParamModel::sharedParamModel();
    return m_param;
}

bool AppDelegate::hasBoundAccount()
{
    // An account whose keychain is locked is still bound: the code screen
    // says so instead of offering to bind again.
    PXAuth &auth = PXAuth::sharedAuth();
    return auth.authURL() != nullptr || auth.accountUnavailable();
}
