#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// Reads one finished HTTP reply of the service: status, declared content type
// and body in, either the envelope's payload or the text to show the user out.
// Kept apart from the transport so every odd reply can be tried without a
// socket.
class PXEnvelope
{
public:
    struct Result
    {
        bool ok = false;
        // On success: the "data" object, absent when the envelope has none.
        std::optional<QJsonObject> payload;
        // On failure: the text for the user.
        QString failureText;
    };

    // status < 0 means the reply carried no HTTP status at all.
    static Result decode(int status, const QByteArray &contentType, const QByteArray &body);

    static bool isAcceptedStatus(int status);
    static bool isAcceptedContentType(const QByteArray &contentType);

private:
    static Result decodeBody(const QByteArray &body);
    static Result fromEnvelope(const QJsonObject &envelope);
    static bool isSingleNonObjectValue(const QByteArray &body);
};
