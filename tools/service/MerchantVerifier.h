#pragma once

#include "ServiceStore.h"

#include <QString>

class ServiceClock;

// The marketplace's side of the second factor: a six-digit code is good when
// it is the TOTP of the phone's bound key (HMAC-SHA-1, 180 s) for the current
// step or one step either side, and only once: a step at or before the last
// accepted one is refused, so a code seen once cannot be replayed.
//
// A million codes with three good at a time fall to a fast guesser within a
// minute, so wrong codes are limited per phone: after five in a row the check
// closes for a second, and each further wrong code doubles that, up to 15
// minutes. A good code opens it again. The count lives in the store, so a
// restart does not reset it.
class MerchantVerifier
{
public:
    enum class Verdict { Accepted, NotBound, Wrong, Replayed, Throttled };

    struct Result
    {
        Verdict verdict = Verdict::Wrong;
        // Throttled: whole seconds until the next check is taken.
        int retryAfter = 0;
    };

    static constexpr double period = 180;
    static constexpr int freeFailures = 5;
    static constexpr double longestBlockSeconds = 15 * 60;

    MerchantVerifier(ServiceStore &store, const ServiceClock &clock);

    Result verify(const QString &phone, const QString &code);

    // How long the check stays closed after the given count of wrong codes.
    static double blockSeconds(int failures);

private:
    Verdict match(const ServiceStore::Binding &binding, const QString &code, double now);
    void countWrongCode(const QString &phone, double now);

    ServiceStore &m_store;
    const ServiceClock &m_clock;
};
