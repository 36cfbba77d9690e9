#include "PXBaseModel.h"

#include <QMetaProperty>

void PXBaseModel::initWithDic(const QVariantMap &dic)
{
    const QMetaObject *meta = metaObject();
    for (auto it = dic.constBegin(); it != dic.constEnd(); ++it) {
        const QString name = it.key() == QLatin1String("id") ? QStringLiteral("ID") : it.key();
        const int index = meta->indexOfProperty(name.toUtf8().constData());
        // Only declared, writable properties: an unknown key must not turn
        // into a dynamic property.
        if (index < 0 || !meta->property(index).isWritable())
            continue;
        meta->property(index).write(this, it.value());
    }
}
