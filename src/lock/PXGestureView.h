#pragma once

#include "PXBaseView.h"
#include "PXLockResult.h"

#include <QList>
#include <QPointF>
#include <QString>

class PXCodeView;
class PXPasswordVM;
class QTouchEvent;

// What the pad does with a finished drawing; the lock screen has one more
// mode of its own (Modify), which the pad treats like None.
enum PXPasswordHandle : qint64 {
    PXPasswordHandleNone = 0,
    PXPasswordHandleSet = 1,
    PXPasswordHandleVerify = 2,
    PXPasswordHandleModify = 3,
};

class PXGestureViewDelegate
{
public:
    virtual ~PXGestureViewDelegate() = default;
    virtual void handlePasswordResult(qint64 result) = 0;
};

// The 3 x 3 pattern pad. A stroke selects each node the pointer passes
// through (a press selects its node even when it is already selected; a move
// never selects one twice), the release evaluates the pattern by the mode,
// colours it by the outcome and clears the pad a second later. Mouse, touch
// and the keyboard draw alike: the digits 1-9 in the numeric keypad's layout
// select nodes, Enter ends the drawing and Escape clears it.
class PXGestureView : public PXBaseView
{
    Q_OBJECT
public:
    static constexpr int resetMilliseconds = 1000;

    explicit PXGestureView(QWidget *parent = nullptr);

    PXGestureViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(PXGestureViewDelegate *delegate) { m_delegate = delegate; }
    // The pad's side, in points; setting it lays the nodes out.
    double padWidth() const { return m_width; }
    void setWidth(double width);
    qint64 passwordHandle() const { return m_passwordHandle; }
    void setPasswordHandle(qint64 handle) { m_passwordHandle = handle; }
    bool success() const { return m_success; }

    // The nine nodes, index = number.
    const QList<PXCodeView *> &codeArray();
    const QList<PXCodeView *> &selectedCodes() const { return m_selectedCodes; }
    bool isSelected(const PXCodeView *code) const;
    // One digit per selected node, in the order they were reached.
    QString getPassword() const;
    // Evaluates a finished drawing by the mode and reports it; the result is
    // the pad's colour (true: accepted).
    bool handlePassword(const QString &password);
    // Clears the pattern.
    void disGesture();

    // The stroke, in the pad's coordinates.
    void touchesBegan(const QPointF &point);
    void touchesMoved(const QPointF &point);
    void touchesEnded();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    PXCodeView *hitTest(const QPointF &point);
    void select(PXCodeView *code);
    void touchEvent(QTouchEvent *event);

    PXGestureViewDelegate *m_delegate = nullptr; // not owned
    double m_width = 0;
    qint64 m_passwordHandle = PXPasswordHandleNone;
    QList<PXCodeView *> m_codeArray;
    QList<PXCodeView *> m_selectedCodes;
    bool m_success = true;
    QString m_oldPassword; // null until the first drawing in set mode
    PXPasswordVM *m_passwordVM;
    bool m_keyStroke = false; // a keyboard drawing has begun
    bool m_focusRing = false; // focus came from the keyboard or the program
};
