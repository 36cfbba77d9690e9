#pragma once

#include <QPushButton>

// The plain white chevron that pops a pushed screen.
class PXBackArrowButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PXBackArrowButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
