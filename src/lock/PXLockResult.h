#pragma once

#include <QtGlobal>

// The results every lock view hands its host; hosts treat PasswordSet and
// Verified as unlocked.
enum PXLockResult : qint64 {
    PXLockResultPatternRecorded = 0,
    PXLockResultPasswordSet = 1,
    PXLockResultPatternMismatch = 2,
    PXLockResultVerified = 3,
    PXLockResultVerifyFailed = 4,
};
