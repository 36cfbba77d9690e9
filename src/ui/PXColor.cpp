#include "PXColor.h"

namespace {

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A component pair counts as far as its leading hexadecimal digits reach, so
// "4G" reads 4 and "G4" reads 0.
quint32 readPair(QStringView pair)
{
    quint32 value = 0;
    for (QChar c : pair) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + quint32(digit);
    }
    return value;
}

} // namespace

QColor PXColor::clearColor()
{
    return QColor::fromRgbF(0.f, 0.f, 0.f, 0.f);
}

QColor PXColor::colorWithHex(quint32 hex)
{
    return colorWithHex(hex, 1.0);
}

QColor PXColor::colorWithHex(quint32 hex, double alpha)
{
    const float red = float((hex >> 16) & 0xFF) / 255.f;
    const float green = float((hex >> 8) & 0xFF) / 255.f;
    const float blue = float(hex & 0xFF) / 255.f;
    return QColor::fromRgbF(red, green, blue, float(qBound(0.0, alpha, 1.0)));
}

QColor PXColor::colorWithHexString(const QString &text)
{
    return colorWithHexString(text, 1.0);
}

QColor PXColor::colorWithHexString(const QString &text, double alpha)
{
    QString s = text.trimmed().toUpper();
    if (s.size() < 6)
        return clearColor();
    if (s.startsWith(u"0X"))
        s.remove(0, 2);
    if (s.startsWith(u'#'))
        s.remove(0, 1);
    if (s.size() != 6)
        return clearColor();
    const QStringView v(s);
    const quint32 rgb
        = readPair(v.mid(0, 2)) << 16 | readPair(v.mid(2, 2)) << 8 | readPair(v.mid(4, 2));
    return colorWithHex(rgb, alpha);
}
