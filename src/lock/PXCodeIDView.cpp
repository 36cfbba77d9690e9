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
const QString phoneMismatch = QStringLiteral("与最后一次绑定的手机号码不一致");

// Only the number of the last binding may prove ownership; anyone can get a
// code for a number of their own.
bool isLastBoundPhone(const QString &phone)
{
    const QString stored
        = UserDefaults::standardUserDefaults().stringForKey(PXAuth::phoneNumberKey);
    return !stored.isEmpty() && phone == stored;
}

// Writes every lock kind off; on failure the list in memory is put back, so
// the lock stays whole in memory and on disk.
bool switchLocksOff()
{
    PXParamModel *param = PXParamModel::sharedParamModel();
    QList<bool> before;
    for (const auto &entry : param->loginTypes()) {
        before.append(entry->value());
        entry->setValue(false);
    }
    if (param->saveLoginTypes())
        return true;
    for (qsizetype i = 0; i < before.size(); ++i)
        param->loginTypes().at(i)->setValue(before.at(i));
    return false;
}
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

void PXCodeIDView::phoneEntered()
{
    if (isLastBoundPhone(m_form->field()->text()))
        getAuthCode();
    else
        showAlertView(phoneMismatch);
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

// Reached by the login button and by the Return key alike, so the number is
// checked here and not only where a code is asked for.
void PXCodeIDView::checkAuthCode()
{
    const QString phone = m_form->field()->text();
    if (!isLastBoundPhone(phone)) {
        showAlertView(phoneMismatch);
        return;
    }
    QPointer<PXCodeIDView> self(this);
    PXServiceAPI::checkGesturePWDAuthCode(
        phone, m_form->token()->text(),
        [self, phone](const PXServiceAPI::Payload &payload) {
            if (self)
                self->authCodeChecked(phone, payload);
        },
        [self](const QString &message) {
            if (self)
                self->toast(message);
        });
}

// A reply whose view went with its host opens nothing. The locks are written
// off before anything is given up: a list that still says "gesture" with the
// pattern gone would start the next run in set mode, open to any drawing.
void PXCodeIDView::authCodeChecked(const QString &phone, const PXServiceAPI::Payload &payload)
{
    toast(PXServiceAPI::readMsg(payload));
    if (PXServiceAPI::readCode(payload) != 0)
        return;
    if (!isLastBoundPhone(phone)) { // rebound while the check was under way
        showAlertView(phoneMismatch);
        return;
    }
    if (!switchLocksOff()) {
        toast(QStringLiteral("设置保存失败，请稍后再试"));
        return;
    }
    PXPasswordVM::sharedPasswordVM()->clearPassword();
    if (m_delegate)
        m_delegate->codeIDResult(PXLockResultVerified);
}
