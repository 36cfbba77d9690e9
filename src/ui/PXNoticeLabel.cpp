#include "PXNoticeLabel.h"

#include "PXColor.h"
#include "PXFont.h"

PXNoticeLabel::PXNoticeLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setFont(PXFont::fontWithSize(14));
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, PXColor::noticeText());
    pal.setColor(QPalette::Window, PXColor::noticeBackground());
    setPalette(pal);
}
