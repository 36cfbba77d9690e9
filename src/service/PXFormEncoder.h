#pragma once

#include <QByteArray>
#include <QVariantMap>

// Turns request parameters into the query-string / form-body text
// "name=value&...". Every byte outside the unreserved set is percent-encoded
// from UTF-8, so "+", "&", "=" and spaces in a value arrive as typed: a server
// reading the form would take a bare "+" for a space.
class PXFormEncoder
{
public:
    static QByteArray encode(const QVariantMap &params);
};
