#include "OtpLog.h"

Q_LOGGING_CATEGORY(lcOtp, "kelvo.otp")
