#include "PXCodeController.h"

PXCodeController::PXCodeController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXCodeController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("Kelvo Ostrel"));
}
