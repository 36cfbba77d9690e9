#pragma once

#include <QString>

// Unsigned decimal scanning over a string with a read position. Each scan
// reads the longest run of ASCII digits at the position; with no digit there
// it answers false, leaves the position and writes nothing. Values past the
// range of the out-argument saturate instead of wrapping.
class CXScanner
{
public:
    explicit CXScanner(const QString &string);

    bool cx_scanUnsignedLongLong(quint64 *value);
    bool cx_scanUInteger(quint64 *value);
    bool cx_scanUnsignedInt(quint32 *value);

    qsizetype scanLocation() const { return m_location; }
    void setScanLocation(qsizetype location);
    bool isAtEnd() const { return m_location >= m_string.size(); }

private:
    QString m_string;
    qsizetype m_location = 0;
};
