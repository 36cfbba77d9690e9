#include "AppDelegate.h"
#include "Application.h"
#include "PXNavigationController.h"
#include "PXWindow.h"

#include <KelvoConfig.h>

#include <QApplication>
#include <QUrl>

namespace {
// The first argument that reads as a URL with a scheme: how another app (or
// the desktop's URL handler) opens this one.
QUrl launchURL(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QUrl url(arguments.at(i), QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1)
            return url;
    }
    return {};
}
} // namespace

int main(int argc, char **argv)
{
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvo-ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvo Ostrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(KelvoConfig::appVersion));
    QApplication::setDesktopFileName(QString::fromLatin1(KelvoConfig::bundleIdentifier));

    const QUrl url = launchURL(QApplication::arguments());
    const QString serverName = Application::instanceServerName();
    switch (Application::forwardToRunningInstance(serverName, url)) {
    case Application::Forwarding::Delivered:
        return 0;
    case Application::Forwarding::Unresponsive:
        // Two instances over the same stores could undo each other's writes.
        qCritical("Kelvo Ostrel is already running but does not answer; not starting a second "
                  "copy. Close the running one or wait until it responds, then try again.");
        return 1;
    case Application::Forwarding::NoInstance:
        break;
    }

    Application &application = Application::sharedApplication();
    AppDelegate delegate(application);
    application.setDelegate(&delegate);
    application.listenForURLs(serverName);
    QObject::connect(&application, &Application::activationRequested, &delegate, [&delegate] {
        if (PXWindow *window = delegate.window()) {
            window->raise();
            window->activateWindow();
        }
    });

    QVariantMap options;
    if (url.isValid())
        options.insert(QString::fromLatin1(AppDelegate::launchOptionsURLKey), url);
    delegate.didFinishLaunchingWithOptions(options);
    if (url.isValid())
        delegate.openURL(url, QString(), QVariant());

    const int result = QApplication::exec();
    delegate.applicationWillTerminate();
    application.setDelegate(nullptr);
    return result;
}
