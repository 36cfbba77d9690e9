#pragma once

#include <QColor>
#include <QString>

// Colours from hexadecimal RGB values and texts. Text that cannot be read as
// six hexadecimal digits gives the clear colour (transparent black).
class PXColor
{
public:
    static QColor colorWithHex(quint32 hex);
    static QColor colorWithHex(quint32 hex, double alpha);
    static QColor colorWithHexString(const QString &text);
    static QColor colorWithHexString(const QString &text, double alpha);

    static QColor clearColor();

    // The app's palette.
    static QColor accent() { return colorWithHex(0xFE5900); }
    static QColor accentPressed() { return colorWithHex(0xB04000); }
    static QColor codeBlue() { return colorWithHex(0x44C0FE); }
    static QColor pageBackground() { return colorWithHex(0xF5F6F7); }
    static QColor separator() { return colorWithHex(0xEEF2F3); }
    // The notices over the content: brown text on pale yellow.
    static QColor noticeText() { return colorWithHex(0x8C493A); }
    static QColor noticeBackground() { return colorWithHex(0xFFF5D7); }
    // Hints and neutral prompts, and prompts that report a failure.
    static QColor promptGrey() { return colorWithHex(0x808080); }
    static QColor promptRed() { return colorWithHex(0xFF0000); }
};
