#include "PXTouchID.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {
// Every desktop counts as a system new enough for fingerprint unlock; the
// rule stays so that the reader's answer is what decides.
constexpr double systemVersion = 8.0;
constexpr double minimumSystemVersion = 8.0;
} // namespace

PXTouchID::PXTouchID(std::unique_ptr<LocalAuthentication> ctx)
    : m_ctx(std::move(ctx))
{ }

std::shared_ptr<PXTouchID> PXTouchID::create(std::unique_ptr<LocalAuthentication> ctx)
{
    return std::shared_ptr<PXTouchID>(new PXTouchID(std::move(ctx)));
}

void PXTouchID::setDelegate(PXTouchIDDelegate *delegate, QObject *owner)
{
    m_delegate = delegate;
    m_owner = owner;
}

void PXTouchID::isSupport(std::function<void(bool supported)> answer)
{
    if (systemVersion < minimumSystemVersion) {
        QMetaObject::invokeMethod(
            m_ctx.get(), [answer] { answer(false); }, Qt::QueuedConnection);
        return;
    }
    m_ctx->canEvaluatePolicy(LocalAuthentication::DeviceOwnerAuthenticationWithBiometrics,
                             std::move(answer));
}

void PXTouchID::authTouchID()
{
    // Only a weak hold while asking: a lock screen gone meanwhile has nobody
    // left to unlock for, and nothing is claimed for it.
    isSupport([weak = weak_from_this()](bool supported) {
        if (const std::shared_ptr<PXTouchID> self = weak.lock()) {
            QMetaObject::invokeMethod(
                qApp, [self, supported] { self->supported(supported); }, Qt::QueuedConnection);
        }
    });
}

void PXTouchID::supported(bool supported)
{
    PXTouchIDDelegate *d = delegate();
    if (!d)
        return;
    if (supported)
        evaluate();
    else
        d->touchIDNotSupport(QStringLiteral("当前设备不支持指纹识别"));
}

void PXTouchID::evaluate()
{
    const auto reply = [self = shared_from_this()](bool success, int error) {
        QMetaObject::invokeMethod(
            qApp,
            [self, success, error] {
                PXTouchIDDelegate *d = self->delegate();
                if (!d)
                    return;
                if (success)
                    d->touchIDAuthSuccess(QStringLiteral("TouchID验证成功"));
                else
                    d->touchIDAuthFailure(messageForError(error));
            },
            Qt::QueuedConnection);
    };
    m_ctx->evaluatePolicy(LocalAuthentication::DeviceOwnerAuthenticationWithBiometrics,
                          QStringLiteral("通过Home键验证已有手机指纹"), reply);
}

void PXTouchID::cancel()
{
    m_ctx->invalidate();
}

QString PXTouchID::messageForError(int error)
{
    switch (error) {
    case LocalAuthentication::AuthenticationFailed:
        return QStringLiteral("TouchID验证失败");
    case LocalAuthentication::UserCancel:
        return QStringLiteral("取消TouchID验证");
    case LocalAuthentication::UserFallback:
        return QStringLiteral("在TouchID对话框中点击输入密码按钮");
    case LocalAuthentication::SystemCancel:
        return QStringLiteral("在验证的TouchID的过程中被系统取消");
    case LocalAuthentication::PasscodeNotSet:
        return QStringLiteral("验证无法启动，因为设备上没有设置密码");
    case LocalAuthentication::BiometryNotAvailable:
        return QStringLiteral("验证无法启动，因为设备上没有TouchID");
    case LocalAuthentication::BiometryNotEnrolled:
        return QStringLiteral("验证无法启动，因为没有输入指纹");
    default:
        return {};
    }
}
