#pragma once

#include <QtGlobal>
#include <functional>

class PXBaseController;

// How a screen opens a screen of a sibling library (binding -> code, code ->
// binding, lock -> binding, settings -> lock management) without including it: the app registers
// one creator per screen at start, and screens ask for a screen by its enum value. The key is a
// compile-checked enum, so the only run-time failure left is a missing registration, which stops
// the program with the screen's name (tests check that the app registers every screen).
class PXScreenCreators
{
public:
    enum class Screen { Bind, Code };
    static constexpr int screenCount = 2;

    using Creator = std::function<PXBaseController *()>;

    // Replaces any earlier creator of that screen; an empty one unregisters.
    static void registerCreator(Screen screen, Creator creator);
    static bool isRegistered(Screen screen);
    // A new screen without a parent; the caller hands it to a navigation
    // stack. Aborts when nothing is registered for it.
    static PXBaseController *create(Screen screen);

    static const char *name(Screen screen);

    // The lock-management screen (lock -> settings in code): made for one
    // switch change, the lock kind first, then the state asked for.
    using ManageCreator = std::function<PXBaseController *(qint64 type, bool value)>;
    static void registerManageCreator(ManageCreator creator);
    static bool isManageRegistered();
    static PXBaseController *createManage(qint64 type, bool value);
};
