#pragma once

#include <QFont>
#include <QString>

// The app's one typeface. The branded face is used when it is installed;
// otherwise the best installed face with Simplified Chinese glyphs stands in,
// so Chinese texts never render as empty boxes. Sizes are in points, which
// are device-independent pixels here.
class PXFont
{
public:
    static constexpr const char *appFamily = "FZLanTingHei-L-GBK";

    static QFont fontWithSize(double points);
    // The family fontWithSize() uses; empty when no face can draw Chinese.
    static QString familyName();
    static bool hasChineseFont();
};
