#pragma once

// What screens may ask of the application itself: a new root after an unlock
// (setActionController) or the binding screen as the root without a way back
// (setBindRootController). The application delegate implements it and
// installs itself at start; screens reach it through shared().
class PXApplicationRoutes
{
public:
    virtual ~PXApplicationRoutes();

    virtual void setActionController() = 0;
    virtual void setBindRootController() = 0;

    // The installed routes; aborts when none are installed.
    static PXApplicationRoutes &shared();
    static bool isInstalled();
    static void install(PXApplicationRoutes *routes);
    // Uninstalls routes only if they are the installed ones.
    static void uninstall(PXApplicationRoutes *routes);
};
