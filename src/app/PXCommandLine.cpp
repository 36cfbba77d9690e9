#include "PXCommandLine.h"

#include "OTPAuthURL.h"
#include "PXAuth.h"
#include "PXLoginController.h"
#include "PXParamModel.h"
#include "TOTPGenerator.h"

#include <KelvoConfig.h>

#include <QCoreApplication>
#include <QTextStream>
#include <cmath>

namespace {
// The first argument that reads as a URL with a scheme: how another app (or
// the desktop's URL handler) opens this one.
QUrl firstURL(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        const QUrl url(argument, QUrl::StrictMode);
        if (url.isValid() && url.scheme().size() > 1)
            return url;
    }
    return {};
}
} // namespace

PXCommandLine::PXCommandLine()
    : m_code(QStringLiteral("code"),
             QStringLiteral("Print the current code and the seconds it stays valid "
                            "(\"<code> <seconds>\"), then exit. Refused while no account "
                            "is bound or an app lock is on."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("One-time codes for the marketplace merchant account."));
    // Single-dash words stay whole, so Qt's own -platform or -reverse never
    // read as a cluster of our short options.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOption(m_code);
    m_parser.addPositionalArgument(QStringLiteral("url"),
                                   QStringLiteral("Open the app with this URL (%1://...).")
                                       .arg(QString::fromLatin1(KelvoConfig::urlScheme)),
                                   QStringLiteral("[url]"));
}

PXCommandLine::Action PXCommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        const QStringList console {QStringLiteral("code"),    QStringLiteral("help"),
                                   QStringLiteral("h"),       QStringLiteral("help-all"),
                                   QStringLiteral("version"), QStringLiteral("v")};
        for (const QString &name : m_parser.optionNames()) {
            if (console.contains(name))
                return Action::UsageError;
        }
        return Action::ForeignOptions;
    }
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all")))
        return Action::Help;
    if (m_parser.isSet(QStringLiteral("version")))
        return Action::Version;
    if (m_parser.isSet(m_code)) {
        if (!m_parser.positionalArguments().isEmpty()) {
            m_error = QStringLiteral("--code takes no other arguments.");
            return Action::UsageError;
        }
        return Action::Code;
    }
    m_url = firstURL(m_parser.positionalArguments());
    return Action::RunApp;
}

int PXCommandLine::run(Action action, QTextStream &out, QTextStream &err)
{
    switch (action) {
    case Action::Help:
        out << m_parser.helpText();
        return statusOK;
    case Action::Version:
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << '\n';
        return statusOK;
    case Action::Code:
        return printCode(PXAuth::sharedAuth(), *PXParamModel::sharedParamModel(), out, err);
    case Action::UsageError:
    case Action::ForeignOptions:
        err << m_error << '\n' << "Try --help.\n";
        return statusUsage;
    case Action::RunApp:
        break;
    }
    return statusUsage;
}

int PXCommandLine::printCode(PXAuth &auth, PXParamModel &param, QTextStream &out, QTextStream &err)
{
    if (PXLoginController::lockToShow(param) != 0) {
        err << "An app lock is on: open Kelvo Ostrel and unlock it to see the code.\n";
        return statusLocked;
    }
    const std::shared_ptr<OTPAuthURL> account = auth.authURL();
    const auto *generator
        = account ? dynamic_cast<const TOTPGenerator *>(account->generator().get()) : nullptr;
    if (!generator && auth.accountUnavailable()) {
        err << "The desktop keyring is locked or unavailable: unlock it and try again.\n";
        return statusKeyringUnavailable;
    }
    if (!generator) {
        err << "No account is bound: open Kelvo Ostrel and bind one first.\n";
        return statusNotBound;
    }
    auth.installOffsetSource();
    const TOTPGenerator::Reading now = generator->currentReading();
    out << now.code << ' ' << int(std::ceil(now.secondsLeft)) << '\n';
    return statusOK;
}
