// Argument-string parsing and unescaping; a parsed dictionary written back
// must parse to itself.
#include "CXURLArguments.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto arguments = CXURLArguments::cx_dictionaryWithHttpArgumentsString(text);
    const QString written = CXURLArguments::cx_httpArgumentsString(arguments);
    auto nonEmpty = arguments;
    nonEmpty.remove(QString());
    auto reread = CXURLArguments::cx_dictionaryWithHttpArgumentsString(written);
    reread.remove(QString());
    if (reread != nonEmpty)
        std::abort();
    const QString plain = CXURLArguments::cx_stringByUnescapingFromURLArgument(text);
    if (!plain.isNull()
        && CXURLArguments::cx_stringByUnescapingFromURLArgument(
               CXURLArguments::cx_stringByEscapingForURLArgument(plain))
            != plain)
        std::abort();
    return 0;
}
