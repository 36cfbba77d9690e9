#include "PXFont.h"

#include "UiLog.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

bool drawsChinese(const QString &family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

QString chooseFamily()
{
    if (QFontDatabase::hasFamily(QString::fromLatin1(PXFont::appFamily)))
        return QString::fromLatin1(PXFont::appFamily);
    // Proportional faces first: the monospaced variants look wrong in titles.
    static const char *const preferred[]
        = {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC", "Source Han Sans SC",
           "Droid Sans Fallback"};
    for (const char *name : preferred) {
        const QString family = QString::fromLatin1(name);
        if (QFontDatabase::hasFamily(family) && drawsChinese(family))
            return family;
    }
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString &family : families) {
        if (!QFontDatabase::isFixedPitch(family))
            return family;
    }
    if (!families.isEmpty())
        return families.first();
    qCWarning(lcUi) << "no installed font can draw Chinese text";
    return {};
}

} // namespace

QString PXFont::familyName()
{
    static const QString family = chooseFamily();
    return family;
}

bool PXFont::hasChineseFont()
{
    return !familyName().isEmpty();
}

QFont PXFont::fontWithSize(double points)
{
    QFont font;
    const QString family = familyName();
    if (!family.isEmpty())
        font.setFamilies({family, QString::fromLatin1(appFamily)});
    font.setPixelSize(qMax(1, qRound(points)));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}
