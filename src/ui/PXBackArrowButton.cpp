#include "PXBackArrowButton.h"

#include <QPainter>
#include <QPainterPath>

PXBackArrowButton::PXBackArrowButton(QWidget *parent)
    : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("back"));
}

void PXBackArrowButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor color(Qt::white);
    if (isDown())
        color.setAlphaF(0.5f);
    p.setPen(QPen(color, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c(12, height() / 2.0);
    QPainterPath chevron;
    chevron.moveTo(c + QPointF(7, -9));
    chevron.lineTo(c);
    chevron.lineTo(c + QPointF(7, 9));
    p.drawPath(chevron);
}
