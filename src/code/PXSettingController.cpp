#include "PXSettingController.h"

#include "PXNavigationController.h"
#include "PXParamModel.h"
#include "PXScreenCreators.h"
#include "PXSettingCell.h"
#include "UserDefaults.h"

#include <QCoreApplication>

namespace {
constexpr int rowHeight = 60;
constexpr int headerHeight = 30;
} // namespace

PXSettingController::PXSettingController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXSettingController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("设置"));
    addLeftBarButton(QStringLiteral("返回"));
    addRightBarButton(QStringLiteral("退出"));
    m_table = new PXTableView(this);
    m_table->setBackgroundColor(Qt::transparent);
    m_table->setShowsSeparators(false);
    m_table->setRowHeight(rowHeight);
    m_table->setSectionHeaderHeight(headerHeight);
    m_table->setDataSource(this);
    m_table->setGeometry(frame().toRect());
    m_table->reloadData();
}

void PXSettingController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    if (m_table)
        m_table->setGeometry(frame().toRect());
}

// Back from the management screen: the switches show the stored state again.
void PXSettingController::viewWillAppear()
{
    if (m_table)
        m_table->reloadData();
}

int PXSettingController::numberOfRows() const
{
    return int(PXParamModel::sharedParamModel()->loginTypes().size());
}

QWidget *PXSettingController::cellForRow(int row)
{
    auto *cell = new PXSettingCell;
    cell->setDelegate(this);
    cell->setModel(PXParamModel::sharedParamModel()->loginTypes().value(row));
    return cell;
}

void PXSettingController::switchValueChanged(bool on, qint64 type)
{
    if (navigationController())
        navigationController()->pushViewController(PXScreenCreators::createManage(type, on), true);
}

void PXSettingController::clickLeftBarButton()
{
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

// Quits at once; the stores are flushed first, so no write is lost.
void PXSettingController::clickRightBarButton()
{
    UserDefaults::standardUserDefaults().synchronize();
    QCoreApplication::exit(0);
}
