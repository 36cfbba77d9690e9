#pragma once

#include <QString>
#include <QVariantList>

// One call made on a platform stand-in, kept so tests can check what the app
// asked of a service that has no real counterpart on the desktop.
struct RecordedCall
{
    QString name;
    QVariantList arguments;
};
