#include "PXCodeView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace {

const QColor blue(2, 174, 240);
const QColor discBlue(30, 175, 235);
const QColor red(208, 36, 36);

class CodeViewAccessible : public QAccessibleWidget
{
public:
    explicit CodeViewAccessible(PXCodeView *node)
        : QAccessibleWidget(node, QAccessible::CheckBox)
    { }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const auto *node = static_cast<const PXCodeView *>(widget());
        s.checkable = true;
        s.checked = node->isSelected();
        s.selectable = true;
        s.selected = node->isSelected();
        s.focusable = false;
        return s;
    }
};

QAccessibleInterface *codeViewAccessible(const QString &, QObject *object)
{
    if (auto *node = qobject_cast<PXCodeView *>(object))
        return new CodeViewAccessible(node);
    return nullptr;
}

} // namespace

PXCodeView::PXCodeView(int number, QWidget *parent)
    : QWidget(parent)
    , m_number(number)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(codeViewAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_TransparentForMouseEvents); // the pad tracks the finger
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QString::number(keypadDigit(number)));
}

int PXCodeView::keypadDigit(int number)
{
    const int row = number / 3;
    const int column = number % 3;
    return (2 - row) * 3 + column + 1;
}

void PXCodeView::setSuccess(bool success)
{
    m_success = success;
    update();
}

void PXCodeView::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void PXCodeView::setFrame(const QRectF &frame)
{
    m_frame = frame;
    setGeometry(frame.toAlignedRect());
    update();
}

void PXCodeView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Draw in the exact square, wherever rounding put the widget.
    p.translate(m_frame.topLeft() - QPointF(geometry().topLeft()));
    const double w = m_frame.width();
    const QRectF ring(1, 1, w - 2, w - 2);
    if (!m_selected) {
        p.setPen(QPen(QColor::fromRgbF(1.0, 0.5, 0.3), 1.0));
        p.drawEllipse(ring);
        return;
    }
    const QColor opaque = m_success ? blue : red;
    QColor disc = m_success ? discBlue : red;
    disc.setAlphaF(0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(ring);
    p.setPen(QPen(opaque, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    const double dot = w / 4;
    p.setPen(Qt::NoPen);
    p.setBrush(opaque);
    p.drawEllipse(QRectF((w - dot) / 2, (w - dot) / 2, dot, dot));
}
