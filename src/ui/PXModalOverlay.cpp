#include "PXModalOverlay.h"

#include "PXColor.h"
#include "PXFont.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {
QAccessibleInterface *overlayAccessible(const QString &, QObject *object)
{
    if (auto *overlay = qobject_cast<PXModalOverlay *>(object))
        return new QAccessibleWidget(overlay, overlay->accessibleRole());
    return nullptr;
}

QString buttonStyle(int roundedCorners)
{
    const auto r = [roundedCorners](Qt::Corner corner) {
        return (roundedCorners & (1 << corner)) ? PXModalOverlay::cornerRadius : 0.0;
    };
    return QStringLiteral("QPushButton { background: transparent; border: none; color: %1; "
                          "border-top-left-radius: %2px; border-top-right-radius: %3px; "
                          "border-bottom-left-radius: %4px; border-bottom-right-radius: %5px; } "
                          "QPushButton:pressed { color: %6; } "
                          "QPushButton:focus { background: rgba(0, 0, 0, 18); }")
        .arg(PXColor::accent().name())
        .arg(r(Qt::TopLeftCorner))
        .arg(r(Qt::TopRightCorner))
        .arg(r(Qt::BottomLeftCorner))
        .arg(r(Qt::BottomRightCorner))
        .arg(PXColor::accentPressed().name());
}
} // namespace

PXModalOverlay::PXModalOverlay(QWidget *window)
    : QWidget(window)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(overlayAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_DeleteOnClose);
    if (window)
        window->installEventFilter(this);
}

QPushButton *PXModalOverlay::addButton(const QString &title, int roundedCorners, bool bold)
{
    auto *button = new QPushButton(title, this);
    QFont font = PXFont::fontWithSize(18);
    font.setBold(bold);
    button->setFont(font);
    button->setFlat(true);
    button->setAutoDefault(true); // Enter presses it, as Space does
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(buttonStyle(roundedCorners));
    const int index = int(m_buttons.size());
    connect(button, &QPushButton::clicked, this, [this, index] { choose(index); });
    m_buttons.append(button);
    return button;
}

void PXModalOverlay::present()
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    show();
    if (!m_buttons.isEmpty())
        m_buttons.last()->setFocus(Qt::PopupFocusReason);
    else
        setFocus(Qt::PopupFocusReason);
}

void PXModalOverlay::choose(int index)
{
    if (m_done)
        return;
    m_done = true;
    hide();
    Q_EMIT chosen(index);
    close();
}

void PXModalOverlay::paintBackdrop(QPainter &painter) const
{
    painter.fillRect(rect(), QColor(0, 0, 0, 102));
}

void PXModalOverlay::keyPressEvent(QKeyEvent *event)
{
    // Enter arrives here only while no button has the focus.
    if (event->key() == Qt::Key_Escape)
        choose(escapeIndex());
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        choose(qMax(0, int(m_buttons.size()) - 1));
    else
        QWidget::keyPressEvent(event);
}

// The screen underneath takes no taps while the layer is up.
void PXModalOverlay::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

bool PXModalOverlay::focusNextPrevChild(bool next)
{
    const int count = int(m_buttons.size());
    if (count == 0)
        return true;
    const int current = int(m_buttons.indexOf(qobject_cast<QPushButton *>(focusWidget())));
    const int target = ((current < 0 ? 0 : current) + (next ? 1 : count - 1)) % count;
    m_buttons[target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool PXModalOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
