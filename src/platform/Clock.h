#pragma once

#include <optional>

// The one source of "now" for the whole app: seconds since 1970 (UTC) with
// their fraction. Tests pin it with setFixedTime() and release it with
// clearFixedTime().
class Clock
{
public:
    static double now();
    static void setFixedTime(double secondsSince1970);
    static void advance(double seconds);
    static void clearFixedTime();
    static bool isFixed();
};
