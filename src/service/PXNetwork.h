#pragma once

#include "PXRequestOptions.h"

#include <QJsonObject>
#include <QNetworkReply>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

// The one door to the service. Each call sends one request and later calls
// exactly one of its two callbacks on the calling (main) thread: success with
// the envelope's "data" object (absent when the reply has none), or failure
// with a short text to show the user unchanged. Nothing is kept between calls.
class PXNetwork
{
public:
    using SuccessFn = std::function<void(const std::optional<QJsonObject> &data)>;
    using FailureFn = std::function<void(const QString &message)>;

    // url: a path such as "/clientcall/getServerTime", resolved against
    // options.baseURL, or an absolute http URL used as it is. Parameters go
    // into the query string.
    static void get(const QString &url, const QVariantMap &params, SuccessFn success,
                    FailureFn failure, const PXRequestOptions &options = PXRequestOptions());
    // Parameters go into an application/x-www-form-urlencoded body.
    static void post(const QString &url, const QVariantMap &params, SuccessFn success,
                     FailureFn failure, const PXRequestOptions &options = PXRequestOptions());

    // Every transport fault reads the same to the user.
    static void error(QNetworkReply::NetworkError error, const FailureFn &failure);

    // "网络不给力！": no connection, timeout, bad status or type, broken JSON.
    static QString networkFailureText();
    // "返回数据封装格式错误!": a reply that is not an envelope object.
    static QString formatFailureText();

    static QUrl resolve(const QString &url, const QUrl &baseURL);
};
