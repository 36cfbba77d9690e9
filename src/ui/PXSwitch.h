#pragma once

#include <QAbstractButton>

// An on/off switch, 51 x 31 points. valueChanged() reports every change that
// does not come from setOn(): a tap, the keyboard, or assistive technology
// (whose toggle action calls toggle(), not click()).
class PXSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit PXSwitch(QWidget *parent = nullptr);

    bool isOn() const { return isChecked(); }
    void setOn(bool on);
    QSize sizeHint() const override { return {51, 31}; }

Q_SIGNALS:
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_settingOn = false;
};
