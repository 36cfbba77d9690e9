#include "PXBaseView.h"

#include "PXModalPresenter.h"
#include "PXParamModel.h"

PXBaseView::PXBaseView(QWidget *parent)
    : QWidget(parent)
{ }

PXParamModel *PXBaseView::param()
{
    if (!m_param)
        m_param = PXParamModel::sharedParamModel();
    return m_param;
}

void PXBaseView::showAlertView(const QString &message)
{
    PXModalPresenter::showAlert(this, QStringLiteral("提示"), message, {QStringLiteral("确定")});
}
