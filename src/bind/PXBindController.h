#pragma once

#include "PXBaseController.h"

// The binding screen: phone number and message code bind the app to an
// account. For now it shows its title only; the binding flow comes next.
class PXBindController : public PXBaseController
{
    Q_OBJECT
public:
    explicit PXBindController(QWidget *parent = nullptr);

    void viewDidLoad() override;

    // Set when the screen is the root and there is nowhere to go back to.
    bool noBack() const { return m_noBack; }
    void setNoBack(bool noBack);

private:
    bool m_noBack = false;
};
