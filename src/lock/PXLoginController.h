#pragma once

#include "PXBaseController.h"

// The lock host shown at launch while an app lock is on. For now it shows
// its title only; the fingerprint and gesture views come with the lock work.
class PXLoginController : public PXBaseController
{
    Q_OBJECT
public:
    explicit PXLoginController(QWidget *parent = nullptr);

    void viewDidLoad() override;
};
