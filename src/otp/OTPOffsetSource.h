#pragma once

#include <functional>

// Where time-based codes get the offset (seconds, service clock minus device
// clock) that corrects the device clock. The account authority installs its
// provider at start; until then, and in programs that have no authority
// (the reference service), the offset is 0.
class OTPOffsetSource
{
public:
    using Provider = std::function<double()>;

    // An empty provider removes the current one.
    static void setProvider(Provider provider);
    // The provider's answer, or 0 without a provider or when the answer is
    // not a finite number.
    static double offset();
};
