#pragma once

#include "LocalAuthentication.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <optional>

class QDBusMessage;

// Local authentication on the desktop's fingerprint service (fprintd on the
// system bus). Only asynchronous calls: an evaluation finds the default
// reader, claims it, verifies any enrolled finger and waits for the verdict
// (a retry request, such as a swipe that was too short, keeps it waiting).
// Whatever ends it (verdict, prompt answer, service gone, application hidden,
// invalidate) stops the verification and releases the reader before the
// reply runs. One call is in flight at a time; an ending that arrives during
// a call waits for it, so a claim granted late is still released.
class FprintAuthentication : public LocalAuthentication
{
    Q_OBJECT
public:
    explicit FprintAuthentication(const QDBusConnection &bus = QDBusConnection::systemBus(),
                                  QObject *parent = nullptr);
    ~FprintAuthentication() override;

    void canEvaluatePolicy(Policy policy, Availability answer) override;
    void evaluatePolicy(Policy policy, const QString &reason, Reply reply) override;
    void invalidate() override;

private Q_SLOTS:
    void verifyStatus(const QString &result, bool done);

private:
    using Done = std::function<void(const QDBusMessage &reply)>;

    void call(const QString &path, const QString &method, const QVariantList &args, Done done);
    // A call of the running evaluation; after done, an ending that was
    // recorded meanwhile takes over.
    void step(const QString &method, const QVariantList &args, Done done);
    void findDevice();
    void claimDevice();
    void startVerify();
    void end(int error);
    void tearDown();
    bool watchVerifyStatus(bool on);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_serviceWatcher;
    Reply m_reply; // set while an evaluation runs
    std::optional<int> m_outcome; // 0 for success, else an Error
    QString m_device;
    bool m_inFlight = false;
    bool m_claimed = false;
    bool m_verifying = false;
};
