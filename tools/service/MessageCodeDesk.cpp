#include "MessageCodeDesk.h"

#include "ServiceClock.h"

#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

MessageCodeDesk::MessageCodeDesk(ServiceStore &store, const ServiceClock &clock)
    : m_store(store)
    , m_clock(clock)
{ }

MessageCodeDesk::Issue MessageCodeDesk::issue(const QString &phone, const QString &purpose,
                                              const QString &device)
{
    const double now = m_clock.now();
    const auto previous = m_store.messageCode(phone, purpose);
    if (previous) {
        const double since = now - previous->issuedAt;
        if (since >= 0 && since < resendSeconds)
            return {false, int(std::ceil(resendSeconds - since))};
    }
    const ServiceStore::MessageCode code {phone, purpose, randomCode(), device, now, 0, false};
    if (!m_store.saveMessageCode(code))
        return {false, 0};
    announce(code);
    return {true, 0};
}

MessageCodeDesk::Verdict MessageCodeDesk::check(const QString &phone, const QString &purpose,
                                                const QString &code, const QString &device)
{
    auto stored = m_store.messageCode(phone, purpose);
    if (!stored || stored->used)
        return Verdict::NoCode;
    const double age = m_clock.now() - stored->issuedAt;
    if (age < 0 || age > validSeconds)
        return Verdict::Expired;
    if (stored->failedAttempts >= maxFailedAttempts)
        return Verdict::TooManyAttempts;
    if (stored->code != code || stored->device != device) {
        ++stored->failedAttempts;
        m_store.saveMessageCode(*stored);
        return Verdict::Wrong;
    }
    stored->used = true;
    if (!m_store.saveMessageCode(*stored))
        return Verdict::NoCode;
    return Verdict::Accepted;
}

QString MessageCodeDesk::randomCode()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString code;
    for (int i = 0; i < 6; ++i)
        code += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(62)]);
    return code;
}

void MessageCodeDesk::announce(const ServiceStore::MessageCode &code) const
{
    // This is the message channel of the stand-in service: the developer
    // reads the code here instead of on a phone.
    std::printf("message to %s (%s): %s\n", qPrintable(code.phone), qPrintable(code.purpose),
                qPrintable(code.code));
    std::fflush(stdout);
}
