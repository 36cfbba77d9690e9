#include "PXScreenCreators.h"

#include <array>

#include <QtGlobal>

namespace {
std::array<PXScreenCreators::Creator, PXScreenCreators::screenCount> &creators()
{
    static std::array<PXScreenCreators::Creator, PXScreenCreators::screenCount> table;
    return table;
}

PXScreenCreators::ManageCreator &manageCreator()
{
    static PXScreenCreators::ManageCreator creator;
    return creator;
}
} // namespace

void PXScreenCreators::registerCreator(Screen screen, Creator creator)
{
    creators()[size_t(screen)] = std::move(creator);
}

bool PXScreenCreators::isRegistered(Screen screen)
{
    return bool(creators()[size_t(screen)]);
}

PXBaseController *PXScreenCreators::create(Screen screen)
{
    const Creator &creator = creators()[size_t(screen)];
    if (!creator)
        qFatal("no creator registered for the %s screen", name(screen));
    return creator();
}

const char *PXScreenCreators::name(Screen screen)
{
    switch (screen) {
    case Screen::Bind:
        return "binding";
    case Screen::Code:
        return "code";
    }
    return "unknown";
}

void PXScreenCreators::registerManageCreator(ManageCreator creator)
{
    manageCreator() = std::move(creator);
}

bool PXScreenCreators::isManageRegistered()
{
    return bool(manageCreator());
}

PXBaseController *PXScreenCreators::createManage(qint64 type, bool value)
{
    if (!manageCreator())
        qFatal("no creator registered for the lock-management screen");
    return manageCreator()(type, value);
}
