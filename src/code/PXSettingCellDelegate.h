#pragma once

#include <QtGlobal>

// Hears the switch of a settings row.
class PXSettingCellDelegate
{
public:
    virtual ~PXSettingCellDelegate() = default;
    virtual void switchValueChanged(bool on, qint64 type) = 0;
};
