#include "PXServiceAPI.h"

#include "CXScanner.h"

#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QVariantMap phoneParams(const QString &phone)
{
    return {{QStringLiteral("phone"), phone}};
}

QVariantMap deviceParams(const QString &phone, const QString &IMEIOrIp)
{
    return {{QStringLiteral("phone"), phone}, {QStringLiteral("IMEIOrIp"), IMEIOrIp}};
}

} // namespace

void PXServiceAPI::getServerTime(SuccessFn success, FailureFn failure,
                                 const PXRequestOptions &options)
{
    PXNetwork::get(QStringLiteral("/clientcall/getServerTime"), {}, std::move(success),
                   std::move(failure), options);
}

void PXServiceAPI::verifyPhoneBindState(const QString &phone, const QString &IMEIOrIp,
                                        SuccessFn success, FailureFn failure,
                                        const PXRequestOptions &options)
{
    PXNetwork::post(QStringLiteral("/clientcall/verifyPhoneBindState"),
                    deviceParams(phone, IMEIOrIp), std::move(success), std::move(failure), options);
}

void PXServiceAPI::getAuthCode(const QString &phone, const QString &IMEIOrIp, SuccessFn success,
                               FailureFn failure, const PXRequestOptions &options)
{
    PXNetwork::post(QStringLiteral("/clientcall/getAuthCode"), deviceParams(phone, IMEIOrIp),
                    std::move(success), std::move(failure), options);
}

void PXServiceAPI::checkAuthCode(const QString &phone, const QString &IMEIOrIp, const QString &key,
                                 SuccessFn success, FailureFn failure,
                                 const PXRequestOptions &options)
{
    QVariantMap params = deviceParams(phone, IMEIOrIp);
    params.insert(QStringLiteral("key"), key);
    PXNetwork::post(QStringLiteral("/clientcall/checkAuthCode"), params, std::move(success),
                    std::move(failure), options);
}

void PXServiceAPI::isShowPellin(const QString &phone, SuccessFn success, FailureFn failure,
                                const PXRequestOptions &options)
{
    PXNetwork::post(QStringLiteral("/clientcall/isShowPellin"), phoneParams(phone),
                    std::move(success), std::move(failure), options);
}

void PXServiceAPI::sendGesturePWDAuthCode(const QString &phone, SuccessFn success,
                                          FailureFn failure, const PXRequestOptions &options)
{
    PXNetwork::post(QStringLiteral("/clientcall/sendGesturePWDAuthCode"), phoneParams(phone),
                    std::move(success), std::move(failure), options);
}

void PXServiceAPI::checkGesturePWDAuthCode(const QString &phone, const QString &key,
                                           SuccessFn success, FailureFn failure,
                                           const PXRequestOptions &options)
{
    QVariantMap params = phoneParams(phone);
    params.insert(QStringLiteral("key"), key);
    PXNetwork::post(QStringLiteral("/clientcall/checkGesturePWDAuthCode"), params,
                    std::move(success), std::move(failure), options);
}

int PXServiceAPI::readCode(const Payload &payload)
{
    const QJsonValue code = member(payload, QLatin1String("code"));
    if (code.isDouble())
        return clampToInt(code.toDouble());
    if (code.isString())
        return leadingInteger(code.toString());
    if (code.isBool())
        return code.toBool() ? 1 : 0;
    return 0;
}

QString PXServiceAPI::readMsg(const Payload &payload)
{
    const QJsonValue msg = member(payload, QLatin1String("msg"));
    if (msg.isString())
        return msg.toString();
    if (msg.isDouble())
        return QString::number(msg.toDouble(), 'g', 17);
    return QString();
}

double PXServiceAPI::readMsgNumber(const Payload &payload)
{
    const QJsonValue msg = member(payload, QLatin1String("msg"));
    double value = 0;
    if (msg.isDouble()) {
        value = msg.toDouble();
    } else if (msg.isString()) {
        // A leading number counts, the way numbers are read everywhere else
        // in the app ("1700000000000x" is 1700000000000).
        if (!CXScanner(msg.toString()).scanDouble(&value))
            value = 0;
    }
    return std::isfinite(value) ? value : 0;
}

QJsonValue PXServiceAPI::member(const Payload &payload, QLatin1String name)
{
    if (!payload)
        return QJsonValue(QJsonValue::Undefined);
    return payload->value(name);
}

int PXServiceAPI::clampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (value <= lowest)
        return std::numeric_limits<int>::min();
    if (value >= highest)
        return std::numeric_limits<int>::max();
    return static_cast<int>(std::trunc(value));
}

int PXServiceAPI::leadingInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 magnitude = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        magnitude = std::min(limit, magnitude * 10 + (c - u'0'));
    }
    const qint64 value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}
