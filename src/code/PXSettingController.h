#pragma once

#include "PXBaseController.h"

// The settings screen (app locks, switching the account, quitting). For now
// it shows its title only; the code screen's right bar button opens it.
class PXSettingController : public PXBaseController
{
    Q_OBJECT
public:
    explicit PXSettingController(QWidget *parent = nullptr);

    void viewDidLoad() override;
};
