#include "Clock.h"

#include <atomic>
#include <chrono>

namespace {
// NaN-free sentinel kept in an atomic so a tick on another thread never reads a torn value.
std::atomic<bool> fixedSet {false};
std::atomic<double> fixedValue {0.0};
} // namespace

double Clock::now()
{
    if (fixedSet.load(std::memory_order_acquire))
        return fixedValue.load(std::memory_order_relaxed);
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void Clock::setFixedTime(double secondsSince1970)
{
    fixedValue.store(secondsSince1970, std::memory_order_relaxed);
    fixedSet.store(true, std::memory_order_release);
}

void Clock::advance(double seconds)
{
    setFixedTime(now() + seconds);
}

void Clock::clearFixedTime()
{
    fixedSet.store(false, std::memory_order_release);
}

bool Clock::isFixed()
{
    return fixedSet.load(std::memory_order_acquire);
}
