#include "PXEnvelope.h"

#include "PXNetwork.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

PXEnvelope::Result failure(const QString &text)
{
    PXEnvelope::Result result;
    result.failureText = text;
    return result;
}

PXEnvelope::Result success(std::optional<QJsonObject> payload)
{
    PXEnvelope::Result result;
    result.ok = true;
    result.payload = std::move(payload);
    return result;
}

} // namespace

PXEnvelope::Result PXEnvelope::decode(int status, const QByteArray &contentType,
                                      const QByteArray &body)
{
    if (!isAcceptedStatus(status))
        return failure(PXNetwork::networkFailureText());
    const bool blank = body.trimmed().isEmpty();
    // A bare empty reply says nothing about its type; it is a broken envelope
    // rather than a transport fault.
    if (blank && contentType.trimmed().isEmpty())
        return failure(PXNetwork::formatFailureText());
    if (!isAcceptedContentType(contentType))
        return failure(PXNetwork::networkFailureText());
    return decodeBody(body);
}

bool PXEnvelope::isAcceptedStatus(int status)
{
    return status >= 200 && status <= 299;
}

bool PXEnvelope::isAcceptedContentType(const QByteArray &contentType)
{
    const QByteArray mimeType = contentType.split(';').constFirst().trimmed().toLower();
    return mimeType == "text/html" || mimeType == "text/json";
}

PXEnvelope::Result PXEnvelope::decodeBody(const QByteArray &body)
{
    if (body.trimmed().isEmpty())
        return failure(PXNetwork::formatFailureText());
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        // Well-formed JSON that is a lone string, number or literal is a
        // wrong envelope, not a broken reply.
        if (isSingleNonObjectValue(body))
            return failure(PXNetwork::formatFailureText());
        return failure(PXNetwork::networkFailureText());
    }
    if (!document.isObject())
        return failure(PXNetwork::formatFailureText());
    return fromEnvelope(document.object());
}

PXEnvelope::Result PXEnvelope::fromEnvelope(const QJsonObject &envelope)
{
    const QJsonValue data = envelope.value(QLatin1String("data"));
    if (data.isUndefined() || data.isNull())
        return success(std::nullopt);
    // Callers read members out of the payload; anything but an object would
    // leave them reading fields of a text or a list.
    if (!data.isObject())
        return failure(PXNetwork::formatFailureText());
    return success(data.toObject());
}

bool PXEnvelope::isSingleNonObjectValue(const QByteArray &body)
{
    // The parser takes only objects and arrays at the top; inside a
    // one-element array any value is allowed, and a body that parses there as
    // exactly one element is exactly one value.
    QJsonParseError error {};
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']', &error);
    return error.error == QJsonParseError::NoError && wrapped.isArray()
        && wrapped.array().size() == 1;
}
