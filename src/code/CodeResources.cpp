#include "CodeResources.h"

#include <QtCore/qglobal.h>
#include <QtCore/qresource.h>

void CodeResources::load()
{
    Q_INIT_RESOURCE(resources);
}
