// Argument-string parsing and unescaping; a parsed dictionary written back must parse to itself.
#include "CXURLArguments.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using A = CXURLArguments;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    auto arguments = A::cx_dictionaryWithHttpArgumentsString(text);
    auto reread = A::cx_dictionaryWithHttpArgumentsString(A::cx_httpArgumentsString(arguments));
    arguments.remove(QString());
    reread.remove(QString());
    const QString plain = A::cx_stringByUnescapingFromURLArgument(text);
    if (reread != arguments
        || (!plain.isNull()
            && A::cx_stringByUnescapingFromURLArgument(A::cx_stringByEscapingForURLArgument(plain))
                != plain))
        std::abort();
    return 0;
}
