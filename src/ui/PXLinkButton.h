#pragma once

#include <QPushButton>

// A borderless text button in the accent colour, 16 points: the lock
// screens' "密码管理" and "切换其他账号". Enter presses it, as Space does.
// Disabled, it turns grey and loses the hand cursor.
class PXLinkButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PXLinkButton(const QString &title, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;
};
