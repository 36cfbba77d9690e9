#pragma once

#include <QString>
#include <QVariantMap>

// One posted notification: its name, the object that posted it (identity
// only, may be null) and the user-info dictionary.
struct Notification
{
    QString name;
    const void *object = nullptr;
    QVariantMap userInfo;
};
