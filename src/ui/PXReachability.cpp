#include "PXReachability.h"

PXReachability &PXReachability::sharedReachability()
{
    static PXReachability reachability;
    return reachability;
}

void PXReachability::startReachability() { }
