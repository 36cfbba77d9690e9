#include "PXManageController.h"

#include "PXApplicationRoutes.h"
#include "PXLoginModel.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXScreenCreators.h"

#include <QTimer>

PXManageController::PXManageController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXManageController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    addLeftBarButton(QStringLiteral("返回"));
}

void PXManageController::setType(qint64 type)
{
    m_type = type;
    loadViewIfNeeded();
    if (type == PXLoginModel::gestureType) {
        setTitle(QStringLiteral("设置手势密码"));
        auto *gesture = new PXGestureIDView(this);
        gesture->setDelegate(this);
        m_lockView = gesture;
    } else if (type == PXLoginModel::fingerprintType) {
        setTitle(QStringLiteral("设置指纹密码"));
        auto *touch = new PXTouchIDView(this);
        touch->setDelegate(this);
        m_lockView = touch;
    } else {
        return;
    }
    m_lockView->setGeometry(frame().toRect());
    m_lockView->show();
    m_lockView->setFocus(); // a keyboard user can draw or confirm at once
}

void PXManageController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    if (m_lockView)
        m_lockView->setGeometry(frame().toRect());
}

void PXManageController::setLoginType()
{
    PXParamModel *param = PXParamModel::sharedParamModel();
    for (const auto &entry : param->loginTypes())
        entry->setValue(entry->type() == m_type ? m_value : false);
    param->saveLoginTypes();
}

void PXManageController::touchIDResult(qint64 result)
{
    if (result != PXLockResultVerified)
        return;
    setLoginType();
    clickLeftBarButton();
}

// A new pattern: stored at once, closed once "设置成功" had its two seconds.
// A verified pattern: stored and closed at once. Stored first, so the
// settings screen shows the new state as it reappears.
void PXManageController::gestureIDResult(qint64 result)
{
    if (result == PXLockResultPasswordSet) {
        m_value = true;
        setLoginType();
        QTimer::singleShot(setSuccessMilliseconds, this, &PXManageController::closeAfterSuccess);
    } else if (result == PXLockResultVerified) {
        setLoginType();
        clickLeftBarButton();
    }
}

void PXManageController::disableBack()
{
    addLeftBarButton(QString());
    if (leftBarButton())
        leftBarButton()->setEnabled(false);
}

void PXManageController::didClickModifyGesturePassword()
{
    disableBack();
}

void PXManageController::cannotModifyGesturePassword()
{
    disableBack();
}

void PXManageController::forgetGestureID()
{
    PXApplicationRoutes::shared().setBindRootController();
}

void PXManageController::changeAccount()
{
    if (navigationController())
        navigationController()->pushViewController(
            PXScreenCreators::create(PXScreenCreators::Screen::Bind), true);
}

// The user may have pushed a screen over this one within the two seconds
// ("切换其他账号"): then this screen leaves from under it, and the screen on
// top stays.
void PXManageController::closeAfterSuccess()
{
    PXNavigationController *navigation = navigationController();
    if (m_closing || !navigation || !navigation->viewControllers().contains(this))
        return;
    if (navigation->topViewController() == this) {
        clickLeftBarButton();
        return;
    }
    m_closing = true;
    QList<PXBaseController *> rest = navigation->viewControllers();
    rest.removeOne(this);
    navigation->setViewControllers(rest, false);
}

// Closes once: the delayed close after a new pattern must not pop the
// settings screen when the user went back meanwhile.
void PXManageController::clickLeftBarButton()
{
    if (m_closing || !navigationController())
        return;
    m_closing = true;
    navigationController()->popViewControllerAnimated(true);
}
