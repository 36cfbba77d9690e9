#pragma once

#include "LocalAuthenticationPrompt.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// The device owner's authentication: whether it is available, and one
// authentication at a time with a reason shown in the prompt. Every answer
// arrives later on the thread that owns the object (never from inside the
// call), and none arrives after the object is gone.
class LocalAuthentication : public QObject
{
    Q_OBJECT
public:
    enum Policy { DeviceOwnerAuthenticationWithBiometrics = 1 };
    enum Error {
        AuthenticationFailed = -1,
        UserCancel = -2,
        UserFallback = -3,
        SystemCancel = -4,
        PasscodeNotSet = -5,
        BiometryNotAvailable = -6,
        BiometryNotEnrolled = -7,
        AppCancel = -9,
        Failed = -1000, // anything the reader reports that fits nothing above
    };
    using Availability = std::function<void(bool available)>;
    using Reply = std::function<void(bool success, int error)>;

    // The desktop's own: the fingerprint service on the system bus.
    static std::unique_ptr<LocalAuthentication> create();

    void setPrompt(std::unique_ptr<LocalAuthenticationPrompt> prompt);
    LocalAuthenticationPrompt *prompt() const { return m_prompt.get(); }

    virtual void canEvaluatePolicy(Policy policy, Availability answer) = 0;
    // reply runs exactly once (unless this object is destroyed first) with
    // (true, 0) or (false, an Error). A request while one runs fails with
    // Failed and leaves the running one alone.
    virtual void evaluatePolicy(Policy policy, const QString &reason, Reply reply) = 0;
    // Ends a running evaluation with AppCancel.
    virtual void invalidate() = 0;

protected:
    explicit LocalAuthentication(QObject *parent = nullptr);

private:
    std::unique_ptr<LocalAuthenticationPrompt> m_prompt;
};
