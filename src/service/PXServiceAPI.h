#pragma once

#include "PXNetwork.h"

#include <QJsonObject>
#include <QString>
#include <optional>

// The seven calls of the marketplace service, each with its parameters by
// name. Screens reach the service only through here; the callbacks are those
// of PXNetwork. The payload readers are lenient the way every caller needs:
// an absent member, or one that is null, reads as 0 or as empty text.
class PXServiceAPI
{
public:
    using Payload = std::optional<QJsonObject>;
    using SuccessFn = PXNetwork::SuccessFn;
    using FailureFn = PXNetwork::FailureFn;

    // GET, no parameters; "msg" carries the service clock in milliseconds.
    static void getServerTime(SuccessFn success, FailureFn failure,
                              const PXRequestOptions &options = PXRequestOptions());
    static void verifyPhoneBindState(const QString &phone, const QString &IMEIOrIp,
                                     SuccessFn success, FailureFn failure,
                                     const PXRequestOptions &options = PXRequestOptions());
    static void getAuthCode(const QString &phone, const QString &IMEIOrIp, SuccessFn success,
                            FailureFn failure,
                            const PXRequestOptions &options = PXRequestOptions());
    // key: the message code as typed.
    static void checkAuthCode(const QString &phone, const QString &IMEIOrIp, const QString &key,
                              SuccessFn success, FailureFn failure,
                              const PXRequestOptions &options = PXRequestOptions());
    static void isShowPellin(const QString &phone, SuccessFn success, FailureFn failure,
                             const PXRequestOptions &options = PXRequestOptions());
    static void sendGesturePWDAuthCode(const QString &phone, SuccessFn success, FailureFn failure,
                                       const PXRequestOptions &options = PXRequestOptions());
    static void checkGesturePWDAuthCode(const QString &phone, const QString &key, SuccessFn success,
                                        FailureFn failure,
                                        const PXRequestOptions &options = PXRequestOptions());

    // "code" as a 32-bit integer: a number is truncated toward zero and
    // clamped, numeric text reads as its leading integer, anything else as 0.
    static int readCode(const Payload &payload);
    // "msg" as text: numbers read as their decimal text, absent as null.
    static QString readMsg(const Payload &payload);
    // "msg" as a number (getServerTime): text reads as its leading number;
    // anything that does not give a finite number reads as 0.
    static double readMsgNumber(const Payload &payload);

private:
    static QJsonValue member(const Payload &payload, QLatin1String name);
    static int clampToInt(double value);
    static int leadingInteger(const QString &text);
};
