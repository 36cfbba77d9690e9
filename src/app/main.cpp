#include "AppDelegate.h"
#include "Application.h"
#include "PXCommandLine.h"
#include "PXNavigationController.h"
#include "PXWindow.h"

#include <KelvoConfig.h>

#include <QApplication>
#include <QTextStream>
#include <QUrl>

namespace {
void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("kelvo-ostrel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(KelvoConfig::appVersion));
}

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int runConsole(PXCommandLine &commandLine, PXCommandLine::Action action)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return commandLine.run(action, out, err);
}
} // namespace

int main(int argc, char **argv)
{
    Application::protectProcess();
    PXCommandLine commandLine;
    PXCommandLine::Action action = commandLine.parse(argumentList(argc, argv));
    if (action != PXCommandLine::Action::RunApp
        && action != PXCommandLine::Action::ForeignOptions) {
        // --help, --version and --code answer on the terminal: no display
        // is needed and no window opens.
        QCoreApplication core(argc, argv);
        nameApplication();
        return runConsole(commandLine, action);
    }

    QApplication qtApp(argc, argv);
    nameApplication();
    if (action == PXCommandLine::Action::ForeignOptions) {
        action = commandLine.parse(QApplication::arguments());
        if (action != PXCommandLine::Action::RunApp)
            return runConsole(commandLine, action);
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvo Ostrel"));
    QApplication::setDesktopFileName(QString::fromLatin1(KelvoConfig::bundleIdentifier));

    const QUrl url = commandLine.launchURL();
    QString problem;
    const QString serverName = Application::instanceServerName(&problem);
    if (serverName.isEmpty()) {
        qCritical("Kelvo Ostrel cannot start: %s", qPrintable(problem));
        return 1;
    }
    switch (Application::forwardToRunningInstance(serverName, url)) {
    case Application::Forwarding::Delivered:
        return 0;
    case Application::Forwarding::Foreign:
        // A URL may carry a token, and whoever answers there would be
        // trusted to be this app: neither is given to another user.
        qCritical("Kelvo Ostrel cannot start: %s is not a socket of this user. Remove it, "
                  "then try again.",
                  qPrintable(serverName));
        return 1;
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
    Application::quitOnTerminationSignals();
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
