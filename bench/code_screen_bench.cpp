// What the code screen costs, measured on this machine (offscreen):
//   1. lag of the new code after the period boundary of the corrected clock,
//      with a 2-second account, over 10 boundaries (row text set, fade started);
//   2. the app (kelvo-ostrel) left on the code screen for 60 s: CPU (utime +
//      stime from /proc), memory, wake-ups (context switches) per second per
//      thread; then the same start-up made inactive, for 20 s;
//   3. the cost of one clock redraw at device pixel ratio 2;
//   4. start-up to the first painted code row, beside a Qt hello-world window,
//      alternated, 7 runs each.
// Run build/<preset>/bench/code_screen_bench [--idle <seconds>]; it takes about
// two minutes. The 180-second period's warning and new-code fades fall into
// the 60-second idle window one time in three; a longer window shows both.

#include "AppDelegate.h"
#include "Application.h"
#include "Clock.h"
#include "NotificationCenter.h"
#include "OTPCountdownClock.h"
#include "OTPOffsetSource.h"
#include "PXAuth.h"
#include "PXCodeController.h"
#include "PXFadingLabel.h"
#include "TOTPAuthURL.h"
#include "TOTPCodeCell.h"
#include "UserDefaults.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

const QString phone = QStringLiteral("13800138000");

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// --- 1. boundary lag ------------------------------------------------------

void boundaryLag()
{
    auto account = std::shared_ptr<OTPAuthURL>(OTPAuthURL::authURLWithURL(
        QStringLiteral("otpauth://totp/%1?secret=GEZDGNBVGY3TQOJQ&period=2").arg(phone)));
    TOTPCodeCell cell;
    cell.setAuthURL(account);
    QList<double> lags;
    int shown = 0;
    QObject probe;
    // Registered after the row, so it runs once the row has handled the code.
    NotificationCenter::defaultCenter().addObserver(
        &probe, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification, account.get(),
        [&](const Notification &) {
            const double now = Clock::now() + OTPOffsetSource::offset();
            lags.append((now - std::floor(now / 2) * 2) * 1000);
            const QAbstractAnimation *fade = cell.runningFade();
            if (cell.codeLabel()->text() == account->otpCode() && fade
                && fade->objectName() == QLatin1String("otpFadeOut"))
                ++shown;
        });
    while (lags.size() < 10)
        wait(100);
    std::printf("boundary lag, 2 s periods, %lld boundaries: median %.2f ms, max %.2f ms "
                "(new code set and fade started at %d of them)\n",
                qlonglong(lags.size()), median(lags), *std::max_element(lags.begin(), lags.end()),
                shown);
}

// --- 2. idle cost -----------------------------------------------------------

struct Sample
{
    double cpuSeconds = 0;
    long rssKiB = 0;
    QMap<QString, long> switches; // per thread name
};

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

long statusField(const QString &status, const QString &name)
{
    for (const QString &line : status.split(QLatin1Char('\n'))) {
        if (line.startsWith(name + QLatin1Char(':')))
            return line.mid(name.size() + 1).trimmed().split(QLatin1Char(' ')).first().toLong();
    }
    return 0;
}

Sample sample(qint64 pid)
{
    Sample s;
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    const QString stat = readFile(proc + QStringLiteral("/stat"));
    const QStringList fields = stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(' ');
    s.cpuSeconds
        = (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
    s.rssKiB = statusField(readFile(proc + QStringLiteral("/status")), QStringLiteral("VmRSS"));
    const QStringList tasks
        = QDir(proc + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        const QString base = proc + QStringLiteral("/task/") + task;
        const QString status = readFile(base + QStringLiteral("/status"));
        const QString name
            = readFile(base + QStringLiteral("/comm")).trimmed() + QLatin1Char('/') + task;
        s.switches[name] = statusField(status, QStringLiteral("voluntary_ctxt_switches"))
            + statusField(status, QStringLiteral("nonvoluntary_ctxt_switches"));
    }
    return s;
}

void report(const char *what, const Sample &a, const Sample &b, double seconds)
{
    std::printf("%s, %.0f s: CPU %.3f s = %.3f%% of one core; RSS %ld -> %ld KiB\n", what, seconds,
                b.cpuSeconds - a.cpuSeconds, 100 * (b.cpuSeconds - a.cpuSeconds) / seconds,
                a.rssKiB, b.rssKiB);
    for (auto it = b.switches.cbegin(); it != b.switches.cend(); ++it) {
        const double perSecond = (it.value() - a.switches.value(it.key())) / seconds;
        std::printf("    thread %-28s %.2f wake-ups/s\n", qPrintable(it.key()), perSecond);
    }
}

void measureIdle(QProcess &process, const char *what, int seconds)
{
    if (!process.waitForStarted(20000)) {
        std::printf("%s: the app did not start\n", what);
        return;
    }
    wait(5000); // start-up and the first service requests settle
    const Sample a = sample(process.processId());
    QStringList rss;
    for (int left = seconds; left > 0; left -= 60) {
        wait(std::min(left, 60) * 1000);
        rss.append(QString::number(sample(process.processId()).rssKiB));
    }
    if (rss.size() > 1)
        std::printf("%s: RSS each minute %s KiB\n", what, qPrintable(rss.join(QLatin1Char(' '))));
    const Sample b = sample(process.processId());
    report(what, a, b, seconds);
    process.kill();
    process.waitForFinished();
}

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

void idleCost(int seconds)
{
    QProcess app;
    app.setProcessEnvironment(childEnvironment());
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app.start(QStringLiteral(KELVO_APP_BIN), {});
    measureIdle(app, "kelvo-ostrel on the code screen, active", seconds);

    // The app's start-up in this program, told after its first paint that
    // another window took the focus.
    QProcess inactive;
    inactive.setProcessEnvironment(childEnvironment());
    inactive.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--child"), QStringLiteral("inactive")});
    measureIdle(inactive, "code screen, app inactive", 20);
}

// --- 3. one redraw ------------------------------------------------------------

void redrawCost()
{
    OTPCountdownClock clock(QRect(0, 0, 150, 150), 180);
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    const int rounds = 2000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        clock.render(&image);
    const double ms = double(timer.nsecsElapsed()) / 1e6 / rounds;
    std::printf("clock redraw (150 x 150 at ratio 2, background and face): %.3f ms = %.4f%% of "
                "one core at one redraw a second\n",
                ms, ms / 10);
}

// --- 4. start-up ---------------------------------------------------------------

double startUp(const QString &mode)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment());
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    const bool painted = child.waitForReadyRead(20000);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    child.kill();
    child.waitForFinished();
    return painted ? ms : -1;
}

void startUpTimes()
{
    QList<double> app, hello;
    for (int i = 0; i < 7; ++i) {
        hello.append(startUp(QStringLiteral("hello")));
        app.append(startUp(QStringLiteral("app-exit")));
    }
    std::printf("start-up to first paint: code screen median %.1f ms (min %.1f), Qt hello-world "
                "median %.1f ms (min %.1f), ratio %.2f\n",
                median(app), *std::min_element(app.begin(), app.end()), median(hello),
                *std::min_element(hello.begin(), hello.end()), median(app) / median(hello));
}

// --- the children ----------------------------------------------------------------

// Tells the parent when the first frame with the watched label is painted,
// then stops watching.
class FirstPaint : public QObject
{
public:
    using Predicate = std::function<bool(const QLabel *)>;
    FirstPaint(Predicate watched, std::function<void()> then)
        : m_watched(std::move(watched))
        , m_then(std::move(then))
    { }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto *label = qobject_cast<QLabel *>(watched);
        if (event->type() == QEvent::Paint && label && m_watched(label)) {
            std::puts("painted");
            std::fflush(stdout);
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, this, m_then);
        }
        return false;
    }

private:
    Predicate m_watched;
    std::function<void()> m_then;
};

// The app's own start-up (as its main does), watched for its first paint.
int runApp(const QString &mode)
{
    QApplication::setApplicationName(QStringLiteral("kelvo-ostrel"));
    const QString serverName = Application::instanceServerName();
    if (Application::forwardToRunningInstance(serverName, QUrl())
        != Application::Forwarding::NoInstance)
        return 1;
    Application &application = Application::sharedApplication();
    AppDelegate delegate(application);
    application.setDelegate(&delegate);
    application.listenForURLs(serverName);
    const auto codeRow = [](const QLabel *label) {
        return !label->text().isEmpty() && qobject_cast<TOTPCodeCell *>(label->parentWidget());
    };
    FirstPaint watcher(codeRow, [mode] {
        if (mode == QLatin1String("app-exit"))
            QCoreApplication::exit(0);
        else if (mode == QLatin1String("inactive")) // as when another window takes the focus
            Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    });
    qApp->installEventFilter(&watcher);
    delegate.didFinishLaunchingWithOptions({});
    const int result = QApplication::exec();
    application.setDelegate(nullptr);
    return result;
}

int runHello()
{
    QLabel label(QStringLiteral("Hello, world"));
    label.resize(375, 667);
    FirstPaint watcher([](const QLabel *) { return true; }, [] { QCoreApplication::exit(0); });
    qApp->installEventFilter(&watcher);
    label.show();
    return QApplication::exec();
}

// A data folder with a bound account and its phone number, as after binding.
bool prepareData()
{
    PXAuth &auth = PXAuth::sharedAuth();
    UserDefaults::standardUserDefaults().setObject(phone, PXAuth::phoneNumberKey);
    return auth.setAuthURL(phone + QStringLiteral(",Ab3dE9,") + auth.getUUID(), phone)
        && UserDefaults::standardUserDefaults().synchronize();
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    const QString child
        = args.size() > 2 && args.at(1) == QLatin1String("--child") ? args.at(2) : QString();
    QTemporaryDir data;
    if (child.isEmpty()) {
        if (!data.isValid())
            return 1;
        qputenv("KELVO_DATA_DIR", data.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (child == QLatin1String("hello"))
        return runHello();
    if (!child.isEmpty())
        return runApp(child);
    if (!prepareData())
        return 1;
    boundaryLag();
    redrawCost();
    startUpTimes();
    // "--idle <seconds>": a longer look, over several period boundaries.
    const qsizetype idle = args.indexOf(QStringLiteral("--idle"));
    idleCost(idle > 0 ? qMax(10, args.value(idle + 1).toInt()) : 60);
    return 0;
}
