#include "PXActionSheet.h"

#include "PXColor.h"
#include "PXFont.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {
constexpr int rowHeight = 57;
constexpr int margin = 8;
constexpr double radius = 13;

QPushButton *makeButton(const QString &title, bool bold, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    QFont font = PXFont::fontWithSize(18);
    font.setBold(bold);
    button->setFont(font);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; "
                       "color: %1; } QPushButton:pressed { color: %2; }")
            .arg(PXColor::accent().name(), PXColor::colorWithHex(0xB04000).name()));
    return button;
}
} // namespace

PXActionSheet::PXActionSheet(const QStringList &buttons, const QString &cancelTitle,
                             QWidget *window)
    : QWidget(window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    for (const QString &title : buttons)
        m_buttons.append(makeButton(title, false, this));
    m_buttons.append(makeButton(cancelTitle, true, this));
    for (int i = 0; i < m_buttons.size(); ++i)
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { choose(i); });
    if (window)
        window->installEventFilter(this);
}

void PXActionSheet::present()
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    show();
    if (!m_buttons.isEmpty())
        m_buttons.last()->setFocus();
}

void PXActionSheet::choose(int index)
{
    if (m_done)
        return;
    m_done = true;
    hide();
    Q_EMIT chosen(index);
    close();
}

QRectF PXActionSheet::cancelRect() const
{
    return QRectF(margin, height() - margin - rowHeight, width() - 2 * margin, rowHeight);
}

QRectF PXActionSheet::choicesRect() const
{
    const double h = double(rowHeight) * double(m_buttons.size() - 1);
    return QRectF(margin, cancelRect().top() - margin - h, width() - 2 * margin, h);
}

void PXActionSheet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QRectF choices = choicesRect();
    for (int i = 0; i + 1 < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(
            QRectF(choices.left(), choices.top() + i * rowHeight, choices.width(), rowHeight)
                .toRect());
    m_buttons.last()->setGeometry(cancelRect().toRect());
}

void PXActionSheet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0, 0, 0, 102));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 245));
    if (m_buttons.size() > 1)
        p.drawRoundedRect(choicesRect(), radius, radius);
    p.drawRoundedRect(cancelRect(), radius, radius);
    p.setPen(QPen(PXColor::colorWithHex(0xD8D8DC), 0.5));
    const QRectF choices = choicesRect();
    for (int i = 1; i + 1 < m_buttons.size(); ++i) {
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

bool PXActionSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
