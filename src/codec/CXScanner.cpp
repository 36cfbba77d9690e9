#include "CXScanner.h"

#include <algorithm>
#include <limits>

CXScanner::CXScanner(const QString &string)
    : m_string(string)
{ }

void CXScanner::setScanLocation(qsizetype location)
{
    m_location = std::clamp<qsizetype>(location, 0, m_string.size());
}

bool CXScanner::cx_scanUnsignedLongLong(quint64 *value)
{
    constexpr quint64 max = std::numeric_limits<quint64>::max();
    qsizetype pos = m_location;
    quint64 result = 0;
    while (pos < m_string.size()) {
        const char16_t c = m_string.at(pos).unicode();
        if (c < u'0' || c > u'9')
            break;
        const quint64 digit = c - u'0';
        result = (result > (max - digit) / 10) ? max : result * 10 + digit;
        ++pos;
    }
    if (pos == m_location)
        return false;
    m_location = pos;
    if (value)
        *value = result;
    return true;
}

bool CXScanner::cx_scanUInteger(quint64 *value)
{
    return cx_scanUnsignedLongLong(value);
}

bool CXScanner::cx_scanUnsignedInt(quint32 *value)
{
    quint64 wide = 0;
    if (!cx_scanUnsignedLongLong(&wide))
        return false;
    if (value)
        *value = quint32(std::min<quint64>(wide, std::numeric_limits<quint32>::max()));
    return true;
}
