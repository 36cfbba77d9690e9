#include "PXBindController.h"

#include "BindLog.h"
#include "PXAuth.h"
#include "PXCodeForm.h"
#include "PXMessageView.h"
#include "PXModalPresenter.h"
#include "PXNavigationController.h"
#include "PXScreenCreators.h"
#include "PXTextField.h"
#include "UserDefaults.h"

#include <QPushButton>

namespace {
const QString alertTitle = QStringLiteral("提示");
} // namespace

PXBindController::PXBindController(QWidget *parent)
    : PXBaseController(parent)
{ }

PXAuth &PXBindController::auth()
{
    if (!m_auth)
        m_auth = &PXAuth::sharedAuth();
    return *m_auth;
}

void PXBindController::setNoBack(bool noBack)
{
    m_noBack = noBack;
    if (noBack)
        setHidesBackButton(true);
}

void PXBindController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("绑定手机号"));
    if (!m_noBack && auth().authURL())
        addLeftBarButton(QStringLiteral("返回"));
    else
        setHidesBackButton(true);
    m_form = new PXCodeForm(QStringLiteral("一步绑定，账户更安全，效果可翻倍！"),
                            QStringLiteral("绑定"), 0, this);
    m_form->setGeometry(frame().toRect());
    connect(m_form, &PXCodeForm::phoneEntered, this, &PXBindController::verifyPhoneBindState);
    connect(m_form, &PXCodeForm::entriesEntered, this, &PXBindController::checkAuthCode);
    connect(m_form, &PXCodeForm::codeReturned, this, &PXBindController::checkAuthCode);
    connect(this, &PXBaseController::keyboardHeightChanged, m_form,
            &PXCodeForm::keyboardHeightDidChange);
}

void PXBindController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    if (m_form)
        m_form->setGeometry(frame().toRect());
}

PXTextField *PXBindController::field() const
{
    return m_form ? m_form->field() : nullptr;
}

PXTextField *PXBindController::token() const
{
    return m_form ? m_form->token() : nullptr;
}

QPushButton *PXBindController::code() const
{
    return m_form ? m_form->code() : nullptr;
}

QPushButton *PXBindController::bindButton() const
{
    return m_form ? m_form->actionButton() : nullptr;
}

void PXBindController::clickLeftBarButton()
{
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

void PXBindController::toast(const QString &message)
{
    PXMessageView::sharedWithSuperview(this, message);
}

void PXBindController::verifyPhoneBindState()
{
    QPointer<PXBindController> self(this);
    code()->setEnabled(false);
    PXServiceAPI::verifyPhoneBindState(
        field()->text(), auth().getUUID(),
        [self](const PXServiceAPI::Payload &payload) {
            if (!self)
                return;
            self->code()->setEnabled(true);
            self->phoneBindStateReplied(payload);
        },
        [self](const QString &message) {
            if (!self)
                return;
            self->code()->setEnabled(true);
            self->toast(message);
        });
}

void PXBindController::phoneBindStateReplied(const PXServiceAPI::Payload &payload)
{
    const int code = PXServiceAPI::readCode(payload);
    const QString msg = PXServiceAPI::readMsg(payload);
    if (code == 0 || code == 1) {
        getAuthCode();
    } else if (code == 2) {
        PXModalPresenter::showAlert(this, alertTitle, msg,
                                    {QStringLiteral("取消"), QStringLiteral("确定")},
                                    [this](int index) { alertViewClickedButtonAtIndex(index); });
    } else if (code == -1) {
        toast(msg);
    } else {
        showAlertView(msg);
    }
}

void PXBindController::alertViewClickedButtonAtIndex(int index)
{
    if (index == 1)
        getAuthCode();
}

void PXBindController::getAuthCode()
{
    m_form->startTiming();
    auth().getServerTime();
    QPointer<PXBindController> self(this);
    const auto answered = [self](const QString &message) {
        if (!self)
            return;
        self->code()->setEnabled(true);
        self->toast(message);
    };
    code()->setEnabled(false);
    PXServiceAPI::getAuthCode(
        field()->text(), auth().getUUID(),
        [answered](const PXServiceAPI::Payload &payload) {
            answered(PXServiceAPI::readMsg(payload));
        },
        answered);
}

void PXBindController::checkAuthCode()
{
    const QString phone = field()->text();
    const QString key = token()->text();
    const QString device = auth().getUUID();
    const QString secretText = QStringLiteral("%1,%2,%3").arg(phone, key, device);
    QPointer<PXBindController> self(this);
    QPointer<PXNavigationController> navigation(navigationController());
    PXServiceAPI::checkAuthCode(
        phone, device, key,
        [self, navigation, phone, secretText](const PXServiceAPI::Payload &payload) {
            authCodeChecked(self, navigation, phone, secretText, payload);
        },
        [self](const QString &message) {
            if (self)
                self->toast(message);
        });
}

// Static, because the answer must be applied even when the screen has gone
// meanwhile (popped by the user): the service has bound this device with the
// secret of this check, so the app must hold the same one.
void PXBindController::authCodeChecked(const QPointer<PXBindController> &screen,
                                       const QPointer<PXNavigationController> &navigation,
                                       const QString &phone, const QString &secretText,
                                       const PXServiceAPI::Payload &payload)
{
    const QString msg = PXServiceAPI::readMsg(payload);
    if (PXServiceAPI::readCode(payload) != 0) {
        if (screen)
            screen->toast(msg);
        return;
    }
    if (!PXAuth::sharedAuth().setAuthURL(secretText, phone))
        qCWarning(lcBind) << "the bound account could not be stored; it holds for this run only";
    // Stored before the code screen exists, which reads it as it loads.
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(phone, PXAuth::phoneNumberKey);
    defaults.synchronize();
    if (!navigation) {
        if (screen)
            screen->toast(msg);
        return;
    }
    PXBaseController *codeScreen = PXScreenCreators::create(PXScreenCreators::Screen::Code);
    navigation->setViewControllers({codeScreen}, true);
    PXMessageView::sharedWithSuperview(codeScreen, msg);
}
