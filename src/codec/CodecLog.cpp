#include "CodecLog.h"

Q_LOGGING_CATEGORY(lcCodec, "kelvo.codec")
