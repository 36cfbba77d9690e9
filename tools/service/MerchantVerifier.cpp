#include "MerchantVerifier.h"

#include "ServiceClock.h"
#include "TOTPGenerator.h"

#include <algorithm>
#include <cmath>

MerchantVerifier::MerchantVerifier(ServiceStore &store, const ServiceClock &clock)
    : m_store(store)
    , m_clock(clock)
{ }

MerchantVerifier::Result MerchantVerifier::verify(const QString &phone, const QString &code)
{
    const auto binding = m_store.binding(phone);
    if (!binding)
        return {Verdict::NotBound};
    const double now = m_clock.now();
    const auto guard = m_store.merchantGuard(phone);
    if (guard && guard->blockedUntil > now)
        return {Verdict::Throttled, int(std::ceil(guard->blockedUntil - now))};
    const Verdict verdict = match(*binding, code, now);
    if (verdict == Verdict::Accepted && guard)
        m_store.clearMerchantGuard(phone);
    else if (verdict == Verdict::Wrong)
        countWrongCode(phone, now);
    return {verdict};
}

double MerchantVerifier::blockSeconds(int failures)
{
    if (failures < freeFailures)
        return 0;
    return std::min(longestBlockSeconds, std::ldexp(1.0, std::min(failures - freeFailures, 20)));
}

MerchantVerifier::Verdict MerchantVerifier::match(const ServiceStore::Binding &binding,
                                                  const QString &code, double now)
{
    const auto generator
        = TOTPGenerator::initWithSecret(binding.hmacKey, QStringLiteral("SHA1"), 6, period);
    if (!generator)
        return Verdict::Wrong;
    const quint64 current = TOTPGenerator::counterForTime(now, period);
    bool replayed = false;
    for (quint64 step = current > 0 ? current - 1 : 0; step <= current + 1; ++step) {
        if (generator->generateOTPForCounter(step) != code)
            continue;
        // One conditional update decides, so two checks of the same code
        // (in this process or another on the same store) cannot both win.
        if (m_store.claimMerchantStep(binding.phone, binding.hmacKey, qint64(step)))
            return Verdict::Accepted;
        replayed = true;
    }
    return replayed ? Verdict::Replayed : Verdict::Wrong;
}

void MerchantVerifier::countWrongCode(const QString &phone, double now)
{
    const int failures = m_store.countWrongMerchantCode(phone);
    if (failures >= freeFailures)
        m_store.blockMerchantChecks(phone, now + blockSeconds(failures));
}
