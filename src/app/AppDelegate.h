#pragma once

#include "ApplicationDelegate.h"
#include "PXApplicationRoutes.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class Application;
class PXBaseController;
class PXParamModel;
class PXWindow;

// The application's delegate: runs the launch sequence and chooses the root
// screen (lock host, code screen or binding screen) at launch, on every URL
// open and after an unlock.
class AppDelegate : public QObject, public ApplicationDelegate, public PXApplicationRoutes
{
    Q_OBJECT
public:
    // The launch-option key under which a URL given at launch travels.
    static constexpr char launchOptionsURLKey[] = "UIApplicationLaunchOptionsURLKey";

    explicit AppDelegate(Application &application);
    ~AppDelegate() override;

    // The delegate of the shared application, as the lock screens reach it.
    static AppDelegate *shared();

    bool didFinishLaunchingWithOptions(const QVariantMap &launchOptions) override;
    bool openURL(const QUrl &url, const QString &sourceApplication,
                 const QVariant &annotation) override;
    void didRegisterForRemoteNotificationsWithDeviceToken(const QByteArray &deviceToken) override;
    void didReceiveRemoteNotification(const QVariantMap &payload) override;
    void didReceiveRemoteNotification(const QVariantMap &payload,
                                      const std::function<void(int)> &completion) override;

    void setController();
    void setLoginController();
    void setActionController() override;
    void setBindRootController() override;

    PXWindow *window() const;
    PXParamModel *param();

private:
    // Fills the seam through which screens open sibling screens and reach us.
    void installRoutes();
    void replaceWindow(PXBaseController *root);
    static bool hasBoundAccount();

    Application &m_application;
    std::unique_ptr<PXWindow> m_window;
    PXParamModel *m_param = nullptr;
};
