#include "PXSettingCell.h"

#include "PXColor.h"
#include "PXFont.h"
#include "PXLoginModel.h"
#include "PXSettingCellDelegate.h"
#include "PXSwitch.h"

#include <QLabel>
#include <QPainter>

namespace {
constexpr int inset = 20;
} // namespace

PXSettingCell::PXSettingCell(QWidget *parent)
    : QWidget(parent)
    , m_title(new QLabel(this))
    , m_switch(new PXSwitch(this))
{
    m_title->setFont(PXFont::fontWithSize(16));
    m_title->setTextFormat(Qt::PlainText); // the title comes from the stored list
    m_switch->resize(m_switch->sizeHint());
    connect(m_switch, &PXSwitch::valueChanged, this, &PXSettingCell::switchAction);
}

void PXSettingCell::setModel(std::shared_ptr<PXLoginModel> model)
{
    m_model = std::move(model);
    const QString key = m_model ? m_model->key() : QString();
    m_title->setText(key);
    m_switch->setAccessibleName(key);
    m_switch->setOn(m_model && m_model->value());
}

void PXSettingCell::switchAction(bool on)
{
    if (m_delegate && m_model)
        m_delegate->switchValueChanged(on, m_model->type());
}

void PXSettingCell::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_title->setGeometry(inset, (height() - 30) / 2, 200, 30);
    const QSize sw = m_switch->size();
    m_switch->move(width() - inset - sw.width(), (height() - sw.height()) / 2);
}

void PXSettingCell::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.fillRect(QRect(0, height() - 1, width(), 1), PXColor::separator());
}
