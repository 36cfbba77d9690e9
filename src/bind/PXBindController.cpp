#include "PXBindController.h"

PXBindController::PXBindController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXBindController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("绑定手机号"));
}

void PXBindController::setNoBack(bool noBack)
{
    m_noBack = noBack;
    setHidesBackButton(noBack);
}
