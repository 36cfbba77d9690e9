#include "PXActionSheet.h"

#include "PXColor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int rowHeight = 57;
constexpr int margin = 8;
} // namespace

PXActionSheet::PXActionSheet(const QStringList &buttons, const QString &cancelTitle,
                             QWidget *window)
    : PXModalOverlay(window)
{
    // The choices share one rounded group: only its outer corners are round.
    const int top = 1 << Qt::TopLeftCorner | 1 << Qt::TopRightCorner;
    const int bottom = 1 << Qt::BottomLeftCorner | 1 << Qt::BottomRightCorner;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        addButton(buttons[i], (i == 0 ? top : 0) | (i + 1 == buttons.size() ? bottom : 0));
    addButton(cancelTitle, allCorners, true);
}

QRectF PXActionSheet::cancelRect() const
{
    return QRectF(margin, height() - margin - rowHeight, width() - 2 * margin, rowHeight);
}

QRectF PXActionSheet::choicesRect() const
{
    const double h = double(rowHeight) * double(buttons().size() - 1);
    return QRectF(margin, cancelRect().top() - margin - h, width() - 2 * margin, h);
}

void PXActionSheet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QRectF choices = choicesRect();
    const auto all = buttons();
    for (int i = 0; i + 1 < all.size(); ++i)
        all[i]->setGeometry(
            QRectF(choices.left(), choices.top() + i * rowHeight, choices.width(), rowHeight)
                .toRect());
    all.last()->setGeometry(cancelRect().toRect());
}

void PXActionSheet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintBackdrop(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 245));
    const auto count = buttons().size();
    if (count > 1)
        p.drawRoundedRect(choicesRect(), cornerRadius, cornerRadius);
    p.drawRoundedRect(cancelRect(), cornerRadius, cornerRadius);
    p.setPen(QPen(PXColor::colorWithHex(0xD8D8DC), 0.5));
    const QRectF choices = choicesRect();
    for (int i = 1; i + 1 < count; ++i) {
        const double y = choices.top() + i * rowHeight;
        p.drawLine(QPointF(choices.left(), y), QPointF(choices.right(), y));
    }
}

void PXActionSheet::mousePressEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    if (!choicesRect().contains(pos) && !cancelRect().contains(pos))
        choose(cancelIndex());
}
