#pragma once

#include <QMap>
#include <QString>

// Escaping and parsing of "key=value&key=value" argument strings as found in
// URL queries and form bodies.
class CXURLArguments
{
public:
    using Dictionary = QMap<QString, QString>;

    // Percent-encodes the UTF-8 bytes of everything except ASCII letters,
    // digits and "-._~", with upper-case hex digits.
    static QString cx_stringByEscapingForURLArgument(const QString &string);
    // "+" reads as a space, then percent escapes decode as UTF-8. Null when
    // an escape is malformed or the bytes are not UTF-8.
    static QString cx_stringByUnescapingFromURLArgument(const QString &string);
    // Percent escapes decode as UTF-8, every character kept (a leading
    // U+FEFF too); "+" stays. Null when an escape is malformed or the bytes
    // are not UTF-8.
    static QString cx_stringByRemovingPercentEscapes(const QString &string);
    // Empty pieces are skipped, a piece without "=" has the value "", an
    // undecodable key or value reads as "", and a repeated key keeps its
    // first value.
    static Dictionary cx_dictionaryWithHttpArgumentsString(const QString &argumentsString);
    static QString cx_httpArgumentsString(const Dictionary &arguments);
};
