#pragma once

#include "ServiceStore.h"

#include <QString>

class ServiceClock;

// The marketplace's side of the second factor: a six-digit code is good when
// it is the TOTP of the phone's bound key (HMAC-SHA-1, 180 s) for the current
// step or one step either side, and only once: a step at or before the last
// accepted one is refused, so a code seen once cannot be replayed.
class MerchantVerifier
{
public:
    enum class Verdict { Accepted, NotBound, Wrong, Replayed };

    static constexpr double period = 180;

    MerchantVerifier(ServiceStore &store, const ServiceClock &clock);

    Verdict verify(const QString &phone, const QString &code);

private:
    ServiceStore &m_store;
    const ServiceClock &m_clock;
};
