#include "UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "kelvo.ui")
