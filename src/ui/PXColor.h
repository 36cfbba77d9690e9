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
    static QColor codeBlue() { return colorWithHex(0x44C0FE); }
    static QColor pageBackground() { return colorWithHex(0xF5F6F7); }
    static QColor separator() { return colorWithHex(0xEEF2F3); }
};
