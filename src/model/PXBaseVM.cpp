#include "PXBaseVM.h"

#include "PXParamModel.h"

PXParamModel *PXBaseVM::param()
{
    if (!m_param)
        m_param = PXParamModel::sharedParamModel();
    return m_param;
}
