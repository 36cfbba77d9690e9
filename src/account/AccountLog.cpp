#include "AccountLog.h"

Q_LOGGING_CATEGORY(lcAccount, "kelvo.account")
