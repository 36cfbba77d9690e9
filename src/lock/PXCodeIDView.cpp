#include "PXCodeIDView.h"

#include "PXAuth.h"
#include "PXCodeForm.h"
#include "PXCodeIDViewDelegate.h"
#include "PXGestureView.h"
#include "PXMessageView.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXTextField.h"
#include "UserDefaults.h"

#include <QPushButton>

namespace {
constexpr int titleTop = 20;
} // namespace

PXCodeIDView::PXCodeIDView(const QRect &frame, QWidget *parent)
    : PXBaseView(parent)
    , m_form(new PXCodeForm(QStringLiteral("通过验证码，进行登陆！"), QStringLiteral("登录"),
                            titleTop, this))
{
    setGeometry(frame);
    setAttribute(Qt::WA_TranslucentBackground);
    m_form->setGeometry(rect());
    connect(m_form, &PXCodeForm::phoneEntered, this, &PXCodeIDView::phoneEntered);
    connect(m_form, &PXCodeForm::entriesEntered, this, &PXCodeIDView::checkAuthCode);
    connect(m_form, &PXCodeForm::codeReturned, this, &PXCodeIDView::checkAuthCode);
}

void PXCodeIDView::resizeEvent(QResizeEvent *event)
{
    PXBaseView::resizeEvent(event);
    m_form->setGeometry(rect());
}

void PXCodeIDView::clickCode()
{
    m_form->clickCode();
}

void PXCodeIDView::clickLogin()
{
    m_form->clickAction();
}

// Eleven characters: only the number of the last binding may ask for a code.
void PXCodeIDView::phoneEntered()
{
    const QString stored
        = UserDefaults::standardUserDefaults().stringForKey(PXAuth::phoneNumberKey);
    if (!stored.isEmpty() && m_form->field()->text() == stored)
        getAuthCode();
    else
        showAlertView(QStringLiteral("与最后一次绑定的手机号码不一致"));
}

void PXCodeIDView::toast(const QString &message)
{
    PXMessageView::sharedWithSuperview(this, message);
}

void PXCodeIDView::getAuthCode()
{
    m_form->startTiming();
    m_form->code()->setEnabled(false);
    QPointer<PXCodeIDView> self(this);
    const auto answered = [self](const QString &message) {
        if (!self)
            return;
        self->m_form->code()->setEnabled(true);
        self->toast(message);
    };
    PXServiceAPI::sendGesturePWDAuthCode(
        m_form->field()->text(),
        [answered](const PXServiceAPI::Payload &payload) {
            answered(PXServiceAPI::readMsg(payload));
        },
        answered);
}

void PXCodeIDView::checkAuthCode()
{
    QPointer<PXCodeIDView> self(this);
    PXServiceAPI::checkGesturePWDAuthCode(
        m_form->field()->text(), m_form->token()->text(),
        [self](const PXServiceAPI::Payload &payload) { authCodeChecked(self, payload); },
        [self](const QString &message) {
            if (self)
                self->toast(message);
        });
}

// Static: the reset is done even when the view went with its host meanwhile
// (the host replaces the window as soon as it hears "verified").
void PXCodeIDView::authCodeChecked(const QPointer<PXCodeIDView> &view,
                                   const PXServiceAPI::Payload &payload)
{
    if (view)
        view->toast(PXServiceAPI::readMsg(payload));
    if (PXServiceAPI::readCode(payload) != 0)
        return;
    if (view && view->m_delegate)
        view->m_delegate->codeIDResult(PXLockResultVerified);
    PXPasswordVM::sharedPasswordVM()->clearPassword();
    PXParamModel *param = PXParamModel::sharedParamModel();
    for (const auto &entry : param->loginTypes())
        entry->setValue(false);
    param->saveLoginTypes();
}
