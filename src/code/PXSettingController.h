#pragma once

#include "PXBaseController.h"
#include "PXSettingCellDelegate.h"
#include "PXTableView.h"

// The settings screen: one switch per lock kind. A switch change opens the
// lock-management screen, and only a change confirmed there is stored; every
// appearance shows the stored state again, so an unconfirmed change springs
// back. "退出" ends the app.
class PXSettingController : public PXBaseController,
                            public PXTableViewDataSource,
                            public PXSettingCellDelegate
{
    Q_OBJECT
public:
    explicit PXSettingController(QWidget *parent = nullptr);

    void viewDidLoad() override;
    void viewWillAppear() override;
    void clickLeftBarButton() override;
    void clickRightBarButton() override;

    int numberOfRows() const override;
    QWidget *cellForRow(int row) override;
    void switchValueChanged(bool on, qint64 type) override;

    PXTableView *table() const { return m_table; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    PXTableView *m_table = nullptr;
};
