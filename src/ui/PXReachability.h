#pragma once

// Watches whether the service host can be reached. Monitoring is not wired up
// yet: startReachability() is a no-op until the monitor gets its own change.
class PXReachability
{
public:
    static PXReachability &sharedReachability();

    void startReachability();

private:
    PXReachability() = default;
};
