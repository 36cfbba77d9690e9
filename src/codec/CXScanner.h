#pragma once

#include <QString>

// Decimal scanning over a string with a read position. The unsigned scans
// read the longest run of ASCII digits at the position; values past the
// range of the out-argument saturate instead of wrapping. Every scan that
// finds no number answers false, leaves the position and writes nothing.
class CXScanner
{
public:
    explicit CXScanner(const QString &string);

    bool cx_scanUnsignedLongLong(quint64 *value);
    bool cx_scanUInteger(quint64 *value);
    bool cx_scanUnsignedInt(quint32 *value);

    // Signed readers in the C manner: leading white space is skipped, a sign
    // may come first, and the value saturates (scanInt) or becomes infinite
    // (scanDouble) when out of range. Exponents and fractions are decimal.
    bool scanInt(int *value);
    bool scanDouble(double *value);

    qsizetype scanLocation() const { return m_location; }
    void setScanLocation(qsizetype location);
    bool isAtEnd() const { return m_location >= m_string.size(); }

private:
    void skipWhitespace();
    qsizetype signLength(qsizetype pos) const;
    qsizetype digitRun(qsizetype pos) const;

    QString m_string;
    qsizetype m_location = 0;
};
