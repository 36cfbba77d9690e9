#include "FprintAuthentication.h"

#include "PlatformLog.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QGuiApplication>
#include <QTimer>

namespace {
const QString service = QStringLiteral("net.reactivated.Fprint");
const QString managerPath = QStringLiteral("/net/reactivated/Fprint/Manager");
const QString managerInterface = QStringLiteral("net.reactivated.Fprint.Manager");
const QString deviceInterface = QStringLiteral("net.reactivated.Fprint.Device");
const QString errorPrefix = QStringLiteral("net.reactivated.Fprint.Error.");

bool failed(const QDBusMessage &reply)
{
    return reply.type() != QDBusMessage::ReplyMessage;
}

// The error of a failed call of the evaluation; fallback when the service
// names nothing more telling.
int errorFor(const QDBusMessage &reply, int fallback)
{
    const QString name = reply.errorName();
    if (name == errorPrefix + QStringLiteral("NoSuchDevice"))
        return LocalAuthentication::BiometryNotAvailable;
    if (name == errorPrefix + QStringLiteral("NoEnrolledPrints"))
        return LocalAuthentication::BiometryNotEnrolled;
    return fallback;
}

// A verdict of the reader; empty while it asks for another try.
std::optional<int> verdict(const QString &result, bool done)
{
    if (result == QStringLiteral("verify-match"))
        return 0;
    if (result == QStringLiteral("verify-no-match"))
        return LocalAuthentication::AuthenticationFailed;
    if (result == QStringLiteral("verify-disconnected"))
        return LocalAuthentication::SystemCancel;
    const bool retry = result == QStringLiteral("verify-retry-scan")
        || result == QStringLiteral("verify-swipe-too-short")
        || result == QStringLiteral("verify-finger-not-centered")
        || result == QStringLiteral("verify-remove-and-retry");
    if (retry || !done)
        return std::nullopt;
    return LocalAuthentication::Failed;
}
} // namespace

FprintAuthentication::FprintAuthentication(const QDBusConnection &bus, QObject *parent)
    : LocalAuthentication(parent)
    , m_bus(bus)
    , m_serviceWatcher(service, bus, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&m_serviceWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_claimed = m_verifying = false; // nobody is left to release it to
        end(SystemCancel);
    });
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationHidden || state == Qt::ApplicationSuspended)
                        end(SystemCancel);
                });
    }
}

// Gone while an evaluation runs: the reader is freed without waiting.
FprintAuthentication::~FprintAuthentication()
{
    if (!m_reply || m_device.isEmpty())
        return;
    const auto send = [this](const QString &method) {
        m_bus.send(QDBusMessage::createMethodCall(service, m_device, deviceInterface, method));
    };
    // Either may be refused when it is not needed; both are cheap.
    send(QStringLiteral("VerifyStop"));
    send(QStringLiteral("Release"));
}

void FprintAuthentication::call(const QString &path, const QString &method,
                                const QVariantList &args, Done done)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, path, path == managerPath ? managerInterface : deviceInterface, method);
    message.setArguments(args);
    if (!m_bus.isConnected()) { // no system bus at all: answered from the event loop
        QTimer::singleShot(0, this, [done, message] {
            done(message.createErrorReply(QDBusError::Disconnected, QStringLiteral("no bus")));
        });
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        done(w->reply());
    });
}

void FprintAuthentication::canEvaluatePolicy(Policy policy, Availability answer)
{
    if (policy != DeviceOwnerAuthenticationWithBiometrics) {
        QTimer::singleShot(0, this, [answer] { answer(false); });
        return;
    }
    call(managerPath, QStringLiteral("GetDefaultDevice"), {},
         [this, answer](const QDBusMessage &reply) {
             if (failed(reply))
                 return answer(false);
             const QString device = reply.arguments().value(0).value<QDBusObjectPath>().path();
             call(device, QStringLiteral("ListEnrolledFingers"), {QString()},
                  [answer](const QDBusMessage &fingers) {
                      answer(!failed(fingers)
                             && !fingers.arguments().value(0).toStringList().isEmpty());
                  });
         });
}

void FprintAuthentication::evaluatePolicy(Policy policy, const QString &reason, Reply reply)
{
    if (m_reply) {
        QTimer::singleShot(0, this, [reply] { reply(false, Failed); });
        return;
    }
    m_reply = std::move(reply);
    m_outcome.reset();
    m_device.clear();
    if (policy == DeviceOwnerAuthenticationWithBiometrics) {
        findDevice();
    } else {
        m_inFlight = true;
        QTimer::singleShot(0, this, [this] {
            m_inFlight = false;
            m_outcome = m_outcome.value_or(Failed);
            tearDown();
        });
    }
    // Opened with a call in flight: even an answer from inside open() ends
    // the evaluation only once that call is back.
    if (auto *shown = prompt())
        shown->open(reason, [this](int error) { end(error); });
}

void FprintAuthentication::invalidate()
{
    end(AppCancel);
}

void FprintAuthentication::step(const QString &method, const QVariantList &args, Done done)
{
    m_inFlight = true;
    const QString path = m_device.isEmpty() ? managerPath : m_device;
    call(path, method, args, [this, done](const QDBusMessage &reply) {
        m_inFlight = false;
        done(reply);
        if (m_outcome && !m_inFlight)
            tearDown();
    });
}

void FprintAuthentication::findDevice()
{
    step(QStringLiteral("GetDefaultDevice"), {}, [this](const QDBusMessage &reply) {
        if (failed(reply))
            return end(BiometryNotAvailable);
        m_device = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (!m_outcome)
            claimDevice();
    });
}

void FprintAuthentication::claimDevice()
{
    step(QStringLiteral("Claim"), {QString()}, [this](const QDBusMessage &reply) {
        if (failed(reply))
            return end(errorFor(reply, Failed));
        m_claimed = true;
        if (!m_outcome)
            startVerify();
    });
}

void FprintAuthentication::startVerify()
{
    // Listen first: the verdict may follow the call's answer at once.
    if (!watchVerifyStatus(true))
        return end(Failed);
    step(QStringLiteral("VerifyStart"), {QStringLiteral("any")}, [this](const QDBusMessage &reply) {
        if (failed(reply))
            return end(errorFor(reply, Failed));
        m_verifying = true;
    });
}

bool FprintAuthentication::watchVerifyStatus(bool on)
{
    const QString signal = QStringLiteral("VerifyStatus");
    const char *slot = SLOT(verifyStatus(QString, bool));
    return on ? m_bus.connect(service, m_device, deviceInterface, signal, this, slot)
              : m_bus.disconnect(service, m_device, deviceInterface, signal, this, slot);
}

void FprintAuthentication::verifyStatus(const QString &result, bool done)
{
    if (!m_reply)
        return;
    qCDebug(lcPlatform) << "fingerprint reader:" << result << done;
    if (const std::optional<int> error = verdict(result, done))
        end(*error);
}

void FprintAuthentication::end(int error)
{
    if (!m_reply || m_outcome)
        return;
    m_outcome = error;
    if (!m_inFlight)
        tearDown();
}

// One call at a time: stop, then release, then answer.
void FprintAuthentication::tearDown()
{
    if (m_verifying) {
        m_verifying = false;
        return step(QStringLiteral("VerifyStop"), {}, [](const QDBusMessage &) {});
    }
    if (m_claimed) {
        m_claimed = false;
        return step(QStringLiteral("Release"), {}, [](const QDBusMessage &) {});
    }
    if (!m_device.isEmpty())
        watchVerifyStatus(false);
    if (auto *shown = prompt())
        shown->close();
    const int error = *m_outcome;
    const Reply reply = std::exchange(m_reply, nullptr);
    m_outcome.reset();
    qCInfo(lcPlatform) << "fingerprint authentication ended with" << error;
    reply(error == 0, error);
}
