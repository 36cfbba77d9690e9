#include "ServiceClock.h"

#include <QDateTime>
#include <cmath>

double ServiceClock::now() const
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 + m_offset;
}

qint64 ServiceClock::nowMilliseconds() const
{
    return qint64(std::floor(now() * 1000.0));
}
