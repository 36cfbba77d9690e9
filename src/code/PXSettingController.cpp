#include "PXSettingController.h"

PXSettingController::PXSettingController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXSettingController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("设置"));
}
