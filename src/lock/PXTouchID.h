#pragma once

#include "LocalAuthentication.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

// Told how a fingerprint authentication went, with the text to show.
class PXTouchIDDelegate
{
public:
    virtual ~PXTouchIDDelegate() = default;
    virtual void touchIDNotSupport(const QString &message) = 0;
    virtual void touchIDAuthSuccess(const QString &message) = 0;
    virtual void touchIDAuthFailure(const QString &message) = 0;
};

// Fingerprint authentication for the lock screens, over the platform's local
// authentication (one context, reused for every attempt). Shared ownership:
// an attempt keeps this object, and with it the reader's context, alive
// until its outcome has been reported. Outcomes reach the delegate from the
// event loop, never from inside a call of the context, so the last holder
// never lets go of this object while its context is answering.
class PXTouchID : public std::enable_shared_from_this<PXTouchID>
{
public:
    static std::shared_ptr<PXTouchID> create(std::unique_ptr<LocalAuthentication> ctx
                                             = LocalAuthentication::create());

    // delegate is not owned; it is told nothing once owner is gone.
    void setDelegate(PXTouchIDDelegate *delegate, QObject *owner);
    LocalAuthentication &context() const { return *m_ctx; }

    // Asks the platform afresh every time; answers on this thread, later.
    void isSupport(std::function<void(bool supported)> answer);
    // One attempt; its outcome reaches the delegate on the main thread.
    void authTouchID();
    // Ends a running attempt (the reader is released); reports as a failure.
    void cancel();

    // The text shown for an error of the local authentication; empty for
    // codes without one.
    static QString messageForError(int error);

private:
    explicit PXTouchID(std::unique_ptr<LocalAuthentication> ctx);

    PXTouchIDDelegate *delegate() const { return m_owner ? m_delegate : nullptr; }
    void supported(bool supported);
    void evaluate();

    std::unique_ptr<LocalAuthentication> m_ctx;
    PXTouchIDDelegate *m_delegate = nullptr;
    QPointer<QObject> m_owner;
};
