#include "PXLoginController.h"

PXLoginController::PXLoginController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXLoginController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("Kelvo Ostrel"));
}
