#pragma once

#include <QByteArray>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <functional>

// What the application shell tells the app. Launch and URL open are
// required; the rest are optional and do nothing unless overridden.
class ApplicationDelegate
{
public:
    virtual ~ApplicationDelegate() = default;

    virtual bool didFinishLaunchingWithOptions(const QVariantMap &launchOptions) = 0;
    virtual bool openURL(const QUrl &url, const QString &sourceApplication,
                         const QVariant &annotation)
        = 0;

    virtual void didRegisterForRemoteNotificationsWithDeviceToken(const QByteArray &) { }
    virtual void didReceiveRemoteNotification(const QVariantMap &) { }
    virtual void didReceiveRemoteNotification(const QVariantMap &, const std::function<void(int)> &)
    { }
    virtual void applicationWillResignActive() { }
    virtual void applicationDidEnterBackground() { }
    virtual void applicationWillEnterForeground() { }
    virtual void applicationDidBecomeActive() { }
    virtual void applicationWillTerminate() { }
};
