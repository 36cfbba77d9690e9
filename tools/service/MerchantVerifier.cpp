#include "MerchantVerifier.h"

#include "ServiceClock.h"
#include "TOTPGenerator.h"

MerchantVerifier::MerchantVerifier(ServiceStore &store, const ServiceClock &clock)
    : m_store(store)
    , m_clock(clock)
{ }

MerchantVerifier::Verdict MerchantVerifier::verify(const QString &phone, const QString &code)
{
    const auto binding = m_store.binding(phone);
    if (!binding)
        return Verdict::NotBound;
    const auto generator
        = TOTPGenerator::initWithSecret(binding->hmacKey, QStringLiteral("SHA1"), 6, period);
    if (!generator)
        return Verdict::Wrong;
    const quint64 current = TOTPGenerator::counterForTime(m_clock.now(), period);
    bool replayed = false;
    for (quint64 step = current > 0 ? current - 1 : 0; step <= current + 1; ++step) {
        if (generator->generateOTPForCounter(step) != code)
            continue;
        if (qint64(step) <= binding->lastMerchantStep) {
            replayed = true;
            continue;
        }
        if (!m_store.setLastMerchantStep(phone, qint64(step)))
            return Verdict::Wrong;
        return Verdict::Accepted;
    }
    return replayed ? Verdict::Replayed : Verdict::Wrong;
}
