#include "LockResources.h"

#include <QtCore/qglobal.h>
#include <QtCore/qresource.h>

void LockResources::load()
{
    Q_INIT_RESOURCE(lock);
}
