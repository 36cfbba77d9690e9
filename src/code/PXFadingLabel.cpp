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

// A fade repaints the label some sixty times a second. Drawing the glyphs
// each time makes the raster engine hand every glyph to worker threads; the
// text is therefore drawn once (per text, look, size and pixel ratio) and each
// frame only blends that picture. No opacity effect either: effects render
// through a pixmap of their own, and a widget rendered into an image
// (screenshots) places it at the wrong offset.
const QPixmap &PXFadingLabel::rendered(qreal ratio)
{
    const QColor colour = palette().color(QPalette::WindowText);
    const QString key = text() + QLatin1Char('\n') + font().key() + QLatin1Char('\n')
        + QString::number(colour.rgba()) + QLatin1Char('\n') + QString::number(ratio);
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (key != m_renderedKey || m_rendered.size() != pixels) {
        m_rendered = QPixmap(pixels);
        m_rendered.setDevicePixelRatio(ratio);
        m_rendered.fill(Qt::transparent);
        QPainter painter(&m_rendered);
        painter.setFont(font());
        painter.setPen(colour);
        painter.drawText(contentsRect(), int(alignment()), text());
        m_renderedKey = key;
    }
    return m_rendered;
}

void PXFadingLabel::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(0, 0, rendered(painter.device()->devicePixelRatioF()));
}
