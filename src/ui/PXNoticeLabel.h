#pragma once

#include <QLabel>

// A notice over a screen's content, full width: 14-point brown text centred
// on pale yellow.
class PXNoticeLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PXNoticeLabel(const QString &text, QWidget *parent = nullptr);
};
