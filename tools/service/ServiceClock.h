#pragma once

#include <QtGlobal>

// The service's own clock: the system time, moved by whole seconds when a
// test asks (message codes expire and resend limits pass without waiting).
class ServiceClock
{
public:
    double now() const;
    qint64 nowMilliseconds() const;
    void advance(double seconds) { m_offset += seconds; }

private:
    double m_offset = 0;
};
