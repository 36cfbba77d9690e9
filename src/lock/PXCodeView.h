#pragma once

#include <QRectF>
#include <QWidget>

// One node of the gesture pad. Selected, it is a tinted disc with a ring and
// an inner dot, blue while its drawing is accepted and red once rejected;
// otherwise a thin ring. The pad takes all input; the node only draws and
// tells assistive technology its position and whether it is selected.
class PXCodeView : public QWidget
{
    Q_OBJECT
public:
    // number: the position in the grid, 0-8 row by row from the top left.
    explicit PXCodeView(int number, QWidget *parent = nullptr);

    int number() const { return m_number; }
    bool success() const { return m_success; }
    void setSuccess(bool success);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // The node's square in the pad's coordinates, kept exact; the widget
    // covers it rounded outwards.
    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF &frame);

    // The key of the numeric keypad that draws this node (7 8 9 on top).
    static int keypadDigit(int number);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_number;
    bool m_success = true;
    bool m_selected = false;
    QRectF m_frame;
};
