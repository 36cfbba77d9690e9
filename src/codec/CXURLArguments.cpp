#include "CXURLArguments.h"

#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Qt's percent decoder passes malformed escapes through; ours must refuse them.
bool hasOnlyWellFormedEscapes(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != '%')
            continue;
        if (i + 2 >= bytes.size() || !isHexDigit(bytes.at(i + 1)) || !isHexDigit(bytes.at(i + 2)))
            return false;
        i += 2;
    }
    return true;
}

QString orEmpty(const QString &string)
{
    return string.isNull() ? QString::fromLatin1("") : string;
}

} // namespace

QString CXURLArguments::cx_stringByEscapingForURLArgument(const QString &string)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(string));
}

QString CXURLArguments::cx_stringByUnescapingFromURLArgument(const QString &string)
{
    QString spaced = string;
    return cx_stringByRemovingPercentEscapes(spaced.replace(QLatin1Char('+'), QLatin1Char(' ')));
}

QString CXURLArguments::cx_stringByRemovingPercentEscapes(const QString &string)
{
    const QByteArray bytes = string.toUtf8();
    if (!hasOnlyWellFormedEscapes(bytes))
        return {};
    // Qt's decoder drops a leading byte-order mark unless told to keep it.
    QStringDecoder toUtf16(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = toUtf16.decode(QByteArray::fromPercentEncoding(bytes));
    if (toUtf16.hasError())
        return {};
    return orEmpty(text);
}

CXURLArguments::Dictionary
CXURLArguments::cx_dictionaryWithHttpArgumentsString(const QString &argumentsString)
{
    Dictionary arguments;
    const QStringList pieces = argumentsString.split(QLatin1Char('&'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        const QString rawKey = equals < 0 ? piece : piece.left(equals);
        const QString rawValue = equals < 0 ? QString() : piece.mid(equals + 1);
        const QString key = orEmpty(cx_stringByUnescapingFromURLArgument(rawKey));
        if (!arguments.contains(key))
            arguments.insert(key, orEmpty(cx_stringByUnescapingFromURLArgument(rawValue)));
    }
    return arguments;
}

QString CXURLArguments::cx_httpArgumentsString(const Dictionary &arguments)
{
    QStringList pairs;
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        pairs.append(cx_stringByEscapingForURLArgument(it.key()) + QLatin1Char('=')
                     + cx_stringByEscapingForURLArgument(it.value()));
    }
    return pairs.join(QLatin1Char('&'));
}
