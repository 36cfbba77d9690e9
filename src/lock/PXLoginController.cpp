#include "PXLoginController.h"

#include "PXApplicationRoutes.h"
#include "PXCodeIDView.h"
#include "PXFilePathVM.h"
#include "PXLoginModel.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXPasswordVM.h"
#include "PXScreenCreators.h"

PXLoginController::PXLoginController(QWidget *parent)
    : PXBaseController(parent)
{ }

PXLoginController::~PXLoginController() = default;

void PXLoginController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("Kelvo Ostrel"));
    m_filePathVM = std::make_unique<PXFilePathVM>();
    loadingView();
}

qint64 PXLoginController::lockToShow(PXParamModel &param)
{
    return param.guardingType(PXPasswordVM::sharedPasswordVM()->isExist());
}

void PXLoginController::loadingView()
{
    const qint64 type = lockToShow(*PXParamModel::sharedParamModel());
    if (type == PXLoginModel::gestureType) {
        auto *gesture = new PXGestureIDView(this);
        gesture->setDelegate(this);
        show(gesture);
    } else if (type == PXLoginModel::fingerprintType) {
        auto *touch = new PXTouchIDView(this);
        touch->setDelegate(this);
        touch->setPasswordHandle(PXTouchIDView::lockHostHandle);
        show(touch);
    }
}

void PXLoginController::show(QWidget *view)
{
    m_lockView = view;
    view->setGeometry(frame().toRect());
    view->show();
    view->setFocus(); // a keyboard user can draw or unlock at once
}

void PXLoginController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    if (m_lockView)
        m_lockView->setGeometry(frame().toRect());
}

void PXLoginController::lockResult(qint64 result)
{
    if (result == PXLockResultPasswordSet || result == PXLockResultVerified)
        PXApplicationRoutes::shared().setActionController();
}

void PXLoginController::touchIDResult(qint64 result)
{
    lockResult(result);
}

void PXLoginController::gestureIDResult(qint64 result)
{
    lockResult(result);
}

void PXLoginController::codeIDResult(qint64 result)
{
    lockResult(result);
}

// The lock gives way to re-verification; there is no way back to it.
void PXLoginController::forgetGestureID()
{
    if (m_lockView)
        m_lockView->deleteLater();
    auto *verification = new PXCodeIDView(frame().toRect(), this);
    verification->setDelegate(this);
    show(verification);
}

void PXLoginController::changeAccount()
{
    if (navigationController())
        navigationController()->pushViewController(
            PXScreenCreators::create(PXScreenCreators::Screen::Bind), true);
}
