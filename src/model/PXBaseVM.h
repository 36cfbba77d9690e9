#pragma once

class PXParamModel;

// Root of the view-models and stores: gives each the shared parameters.
class PXBaseVM
{
public:
    virtual ~PXBaseVM() = default;

    // The shared parameter model, fetched on first read and kept.
    PXParamModel *param();

private:
    PXParamModel *m_param = nullptr;
};
