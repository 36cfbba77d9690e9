#include "PXSwitch.h"

#include "PXColor.h"

#include <QPainter>
#include <QScopedValueRollback>

PXSwitch::PXSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (!m_settingOn)
            Q_EMIT valueChanged(on);
    });
}

void PXSwitch::setOn(bool on)
{
    const QScopedValueRollback guard(m_settingOn, true);
    setChecked(on);
}

void PXSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = track.height() / 2;
    p.setPen(isOn() ? Qt::NoPen : QPen(PXColor::colorWithHex(0xE5E5EA), 1.5));
    p.setBrush(isOn() ? PXColor::accent() : QColor(Qt::white));
    if (!isEnabled())
        p.setOpacity(0.5);
    p.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isOn() ? track.right() - 2 - knob : track.left() + 2;
    p.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}
