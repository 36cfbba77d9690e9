#include "BindLog.h"

Q_LOGGING_CATEGORY(lcBind, "kelvo.bind")
