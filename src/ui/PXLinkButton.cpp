#include "PXLinkButton.h"

#include "PXColor.h"
#include "PXFont.h"

#include <QEvent>

PXLinkButton::PXLinkButton(const QString &title, QWidget *parent)
    : QPushButton(title, parent)
{
    setFont(PXFont::fontWithSize(16));
    setFlat(true);
    setAutoDefault(true);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; color: %1; } "
                       "QPushButton:pressed { color: %2; } "
                       "QPushButton:disabled { color: %3; } "
                       "QPushButton:focus { background: rgba(0, 0, 0, 18); "
                       "border-radius: 8px; }")
            .arg(PXColor::accent().name(), PXColor::accentPressed().name(),
                 PXColor::colorWithHex(0xBBBBBB).name()));
}

void PXLinkButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
