#include "OTPOffsetSource.h"

#include <cmath>
#include <memory>
#include <mutex>

namespace {

struct ProviderSlot
{
    std::mutex mutex;
    std::shared_ptr<const OTPOffsetSource::Provider> provider;
};

ProviderSlot &slot()
{
    static ProviderSlot instance;
    return instance;
}

} // namespace

void OTPOffsetSource::setProvider(Provider provider)
{
    auto next = provider ? std::make_shared<const Provider>(std::move(provider)) : nullptr;
    std::lock_guard lock(slot().mutex);
    slot().provider = std::move(next);
}

double OTPOffsetSource::offset()
{
    std::shared_ptr<const Provider> provider;
    {
        std::lock_guard lock(slot().mutex);
        provider = slot().provider;
    }
    // Called outside the lock: the provider may itself read settings that
    // take locks of their own.
    if (!provider)
        return 0.0;
    const double value = (*provider)();
    return std::isfinite(value) ? value : 0.0;
}
