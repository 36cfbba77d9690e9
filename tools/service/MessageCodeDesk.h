#pragma once

#include "ServiceStore.h"

#include <QString>

class ServiceClock;

// Sends and checks the six-character message codes: letters and digits,
// case-sensitive, valid for five minutes, one per minute per phone and
// purpose, good for one successful check and a few wrong guesses.
class MessageCodeDesk
{
public:
    enum class Verdict { Accepted, Wrong, Expired, NoCode, TooManyAttempts };

    struct Issue
    {
        bool sent = false;
        // When refused: seconds until the next code may be sent.
        int waitSeconds = 0;
    };

    static constexpr double validSeconds = 300;
    static constexpr double resendSeconds = 60;
    static constexpr int maxFailedAttempts = 5;

    MessageCodeDesk(ServiceStore &store, const ServiceClock &clock);

    Issue issue(const QString &phone, const QString &purpose, const QString &device);
    // device: the device asking; a code sent for another device is wrong.
    Verdict check(const QString &phone, const QString &purpose, const QString &code,
                  const QString &device);

private:
    static QString randomCode();
    void announce(const ServiceStore::MessageCode &code) const;

    ServiceStore &m_store;
    const ServiceClock &m_clock;
};
