#pragma once

#include "PXModalOverlay.h"

#include <QStringList>

// A title-less sheet of buttons rising from the bottom of a window over a
// dimmed backdrop: the choices in one rounded group, the cancel button apart
// below them. Escape and a tap beside the sheet cancel.
class PXActionSheet : public PXModalOverlay
{
    Q_OBJECT
public:
    PXActionSheet(const QStringList &buttons, const QString &cancelTitle, QWidget *window);

    int cancelIndex() const { return int(buttons().size()) - 1; }
    QAccessible::Role accessibleRole() const override { return QAccessible::Dialog; }

protected:
    int escapeIndex() const override { return cancelIndex(); }
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QRectF choicesRect() const;
    QRectF cancelRect() const;
};
