#include "CXScanner.h"

#include <QLocale>

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

void CXScanner::skipWhitespace()
{
    while (m_location < m_string.size() && m_string.at(m_location).isSpace())
        ++m_location;
}

qsizetype CXScanner::signLength(qsizetype pos) const
{
    if (pos >= m_string.size())
        return 0;
    const QChar c = m_string.at(pos);
    return (c == QLatin1Char('+') || c == QLatin1Char('-')) ? 1 : 0;
}

qsizetype CXScanner::digitRun(qsizetype pos) const
{
    qsizetype end = pos;
    while (end < m_string.size() && m_string.at(end) >= QLatin1Char('0')
           && m_string.at(end) <= QLatin1Char('9'))
        ++end;
    return end - pos;
}

bool CXScanner::scanInt(int *value)
{
    const qsizetype start = m_location;
    skipWhitespace();
    const qsizetype sign = signLength(m_location);
    const bool negative = sign && m_string.at(m_location) == QLatin1Char('-');
    m_location += sign;
    quint64 magnitude = 0;
    if (!cx_scanUnsignedLongLong(&magnitude)) {
        m_location = start;
        return false;
    }
    constexpr quint64 limit = quint64(std::numeric_limits<int>::max()) + 1;
    magnitude = std::min(magnitude, negative ? limit : limit - 1);
    if (value)
        *value = negative ? int(-qint64(magnitude)) : int(magnitude);
    return true;
}

bool CXScanner::scanDouble(double *value)
{
    qsizetype pos = m_location;
    while (pos < m_string.size() && m_string.at(pos).isSpace())
        ++pos;
    const qsizetype numberStart = pos;
    pos += signLength(pos);
    const qsizetype whole = digitRun(pos);
    pos += whole;
    qsizetype fraction = 0;
    if (pos < m_string.size() && m_string.at(pos) == QLatin1Char('.')) {
        fraction = digitRun(pos + 1);
        if (whole || fraction)
            pos += 1 + fraction;
    }
    if (!whole && !fraction)
        return false;
    bool tiny = false;
    if (pos < m_string.size()
        && (m_string.at(pos) == QLatin1Char('e') || m_string.at(pos) == QLatin1Char('E'))) {
        const qsizetype sign = signLength(pos + 1);
        const qsizetype exponent = digitRun(pos + 1 + sign);
        if (exponent) {
            tiny = sign && m_string.at(pos + 1) == QLatin1Char('-');
            pos += 1 + sign + exponent;
        }
    }
    const QStringView number = QStringView(m_string).mid(numberStart, pos - numberStart);
    bool ok = false;
    double result = QLocale::c().toDouble(number, &ok);
    // The text is a well-formed number, so a refusal means it is out of
    // range: too small to represent, or too large.
    if (!ok) {
        result = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (number.startsWith(QLatin1Char('-')))
            result = -result;
    }
    m_location = pos;
    if (value)
        *value = result;
    return true;
}
