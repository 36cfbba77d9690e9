#pragma once

#include <QtTest>

// One QTest table row on one line; text literals become QString columns.
template<typename T> auto dataColumn(T value)
{
    if constexpr (std::is_same_v<T, const char *>)
        return QString::fromUtf8(value);
    else
        return value;
}
template<typename... T> void dataRow(const char *name, T... values)
{
    (QTest::newRow(name) << ... << dataColumn(values));
}
