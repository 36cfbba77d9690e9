#include "PXAlertView.h"

#include "PXColor.h"
#include "PXFont.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int padding = 16;
constexpr int topPadding = 20;
constexpr int gap = 6;
constexpr int buttonRowHeight = 44;

QLabel *centredLabel(const QString &text, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

PXAlertView::PXAlertView(const QString &title, const QString &message, const QStringList &buttons,
                         QWidget *window)
    : PXModalOverlay(window)
{
    setAccessibleName(title);
    setAccessibleDescription(message);
    QFont titleFont = PXFont::fontWithSize(18);
    titleFont.setBold(true);
    m_title = centredLabel(title, titleFont, this);
    m_message = centredLabel(message, PXFont::fontWithSize(14), this);
    m_message->setVisible(!message.isEmpty());
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const int corners = (i == 0 ? 1 << Qt::BottomLeftCorner : 0)
            | (i + 1 == buttons.size() ? 1 << Qt::BottomRightCorner : 0);
        addButton(buttons[i], corners);
    }
}

QString PXAlertView::text() const
{
    return m_title->text();
}

QString PXAlertView::informativeText() const
{
    return m_message->text();
}

int PXAlertView::textHeight() const
{
    const int textWidth = cardWidth - 2 * padding;
    int total = topPadding + m_title->heightForWidth(textWidth);
    if (m_message->isVisibleTo(this))
        total += gap + m_message->heightForWidth(textWidth);
    return total + topPadding;
}

QRect PXAlertView::cardRect() const
{
    const int h = textHeight() + buttonRowHeight;
    return QRect((width() - cardWidth) / 2, (height() - h) / 2, cardWidth, h);
}

void PXAlertView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QRect card = cardRect();
    const int textWidth = cardWidth - 2 * padding;
    const int titleHeight = m_title->heightForWidth(textWidth);
    m_title->setGeometry(card.left() + padding, card.top() + topPadding, textWidth, titleHeight);
    m_message->setGeometry(card.left() + padding, m_title->geometry().bottom() + 1 + gap, textWidth,
                           m_message->heightForWidth(textWidth));
    const auto row = buttons();
    const int count = int(row.size());
    const int rowTop = card.bottom() + 1 - buttonRowHeight;
    for (int i = 0; i < count; ++i) {
        const int left = card.left() + cardWidth * i / count;
        const int right = card.left() + cardWidth * (i + 1) / count;
        row[i]->setGeometry(left, rowTop, right - left, buttonRowHeight);
    }
}

void PXAlertView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintBackdrop(p);
    const QRectF card = cardRect();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, cornerRadius, cornerRadius);
    p.setPen(QPen(PXColor::colorWithHex(0xD8D8DC), 0.5));
    const double rowTop = card.bottom() - buttonRowHeight;
    p.drawLine(QPointF(card.left(), rowTop), QPointF(card.right(), rowTop));
    const auto count = buttons().size();
    for (qsizetype i = 1; i < count; ++i) {
        const double x = card.left() + double(cardWidth) * double(i) / double(count);
        p.drawLine(QPointF(x, rowTop), QPointF(x, card.bottom()));
    }
}
