#pragma once

#include "PXBaseController.h"
#include "PXReachability.h"

// The home screen with the current code. For now it shows its title only.
// It listens to the network monitor so that an app started offline corrects
// its clock as soon as the network is back.
class PXCodeController : public PXBaseController, public PXReachabilityDelegate
{
    Q_OBJECT
public:
    explicit PXCodeController(QWidget *parent = nullptr);

    void viewDidLoad() override;
    // Refreshes what depends on the service while this screen is shown.
    void networkReachable() override;
};
