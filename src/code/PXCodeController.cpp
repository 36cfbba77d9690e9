#include "PXCodeController.h"

#include "PXAuth.h"

PXCodeController::PXCodeController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXCodeController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("Kelvo Ostrel"));
    PXReachability::sharedReachability().setDelegate(this);
}

void PXCodeController::networkReachable()
{
    if (!isVisible())
        return;
    PXAuth::sharedAuth().getServerTime();
}
