#include "PXFadingLabel.h"

#include <QPainter>
#include <algorithm>

PXFadingLabel::PXFadingLabel(QWidget *parent)
    : QLabel(parent)
{ }

void PXFadingLabel::setOpacity(double opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

// Drawn here rather than through an opacity effect: effects render through
// an offscreen pixmap on every frame, and a widget rendered into an image
// (screenshots) places an effect's pixmap at the wrong offset.
void PXFadingLabel::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), int(alignment()), text());
}
