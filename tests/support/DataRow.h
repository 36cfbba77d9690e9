#pragma once

#include <QtTest>

// One QTest table row on one line; text literals become QString columns.
inline QString dataColumn(const char *text)
{
    return QString::fromUtf8(text);
}
template<typename T> T dataColumn(T value)
{
    return value;
}
template<typename... T> void dataRow(const char *name, T... values)
{
    (QTest::newRow(name) << ... << dataColumn(values));
}
