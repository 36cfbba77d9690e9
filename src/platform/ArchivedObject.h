#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// One object as it sits in a keyed archive: its class, the class chain the
// archive records for it, and its encoded members. Member values are QString
// (an object reference; a null QString stands for nil), bool, or qint32.
struct ArchivedObject
{
    QString className;
    QStringList classes;
    QVariantMap values;
};
