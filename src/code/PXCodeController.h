#pragma once

#include "PXBaseController.h"

// The home screen with the current code. For now it shows its title only.
class PXCodeController : public PXBaseController
{
    Q_OBJECT
public:
    explicit PXCodeController(QWidget *parent = nullptr);

    void viewDidLoad() override;
};
