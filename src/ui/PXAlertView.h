#pragma once

#include "PXModalOverlay.h"

#include <QStringList>

class QLabel;

// The app's alert: a white rounded card centred over the dimmed window, the
// title and the message centred, the buttons in one row under a hairline
// (split when there are two). Escape answers 0; a tap beside the card does
// nothing, since an alert waits for its answer.
class PXAlertView : public PXModalOverlay
{
    Q_OBJECT
public:
    static constexpr int cardWidth = 270;

    PXAlertView(const QString &title, const QString &message, const QStringList &buttons,
                QWidget *window);

    QString text() const;
    QString informativeText() const;
    QRect cardRect() const;
    QAccessible::Role accessibleRole() const override { return QAccessible::AlertMessage; }

protected:
    int escapeIndex() const override { return 0; }
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int textHeight() const;

    QLabel *m_title;
    QLabel *m_message;
};
