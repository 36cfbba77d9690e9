#include "PXApplicationRoutes.h"

#include <QtGlobal>

namespace {
PXApplicationRoutes *&installed()
{
    static PXApplicationRoutes *routes = nullptr;
    return routes;
}
} // namespace

PXApplicationRoutes::~PXApplicationRoutes()
{
    uninstall(this);
}

PXApplicationRoutes &PXApplicationRoutes::shared()
{
    if (!installed())
        qFatal("no application routes installed");
    return *installed();
}

bool PXApplicationRoutes::isInstalled()
{
    return installed() != nullptr;
}

void PXApplicationRoutes::install(PXApplicationRoutes *routes)
{
    installed() = routes;
}

void PXApplicationRoutes::uninstall(PXApplicationRoutes *routes)
{
    if (installed() == routes)
        installed() = nullptr;
}
