#pragma once

#include <QtGlobal>

// The host of the re-verification view.
class PXCodeIDViewDelegate
{
public:
    virtual ~PXCodeIDViewDelegate() = default;
    // Only "verified" (3) is ever sent.
    virtual void codeIDResult(qint64 result) = 0;
};
