#pragma once

#include <QAbstractButton>

// An on/off switch, 51 x 31 points. valueChanged() reports the user's taps
// only; setOn() from code is silent.
class PXSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit PXSwitch(QWidget *parent = nullptr);

    bool isOn() const { return isChecked(); }
    void setOn(bool on) { setChecked(on); }
    QSize sizeHint() const override { return {51, 31}; }

Q_SIGNALS:
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
};
