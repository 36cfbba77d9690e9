#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QUrl>

class PXAuth;
class PXParamModel;
class QTextStream;

// The command line: --help, --version and --code answer on the terminal
// without a window; anything else starts the app, with the first URL among
// the arguments as its launch URL.
class PXCommandLine
{
public:
    enum class Action {
        RunApp,
        Help,
        Version,
        Code,
        UsageError,
        // Options we do not know beside no console option: they may be Qt's
        // own (-platform, -style...); parse again once QApplication took them.
        ForeignOptions
    };

    // Exit statuses of the console actions, for scripts.
    static constexpr int statusOK = 0;
    static constexpr int statusUsage = 64;
    static constexpr int statusNotBound = 69;
    static constexpr int statusLocked = 77;
    // The account is bound but the desktop keyring holding its key is
    // locked or unavailable: try again once it is unlocked.
    static constexpr int statusKeyringUnavailable = 75;

    PXCommandLine();

    // Reads arguments (the program name first); never exits.
    Action parse(const QStringList &arguments);
    QUrl launchURL() const { return m_url; }

    // Runs a console action: prints to out (results) or err (refusals) and
    // returns the exit status.
    int run(Action action, QTextStream &out, QTextStream &err);

    // The code of the bound account as "<code> <seconds left>", from the
    // stored account and the stored clock offset; no request is sent. It
    // refuses whenever the window would open on a lock.
    static int printCode(PXAuth &auth, PXParamModel &param, QTextStream &out, QTextStream &err);

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_code;
    QString m_error;
    QUrl m_url;
};
