#include "PXNetwork.h"

#include "PXFormEncoder.h"
#include "PXNetworkRequest.h"
#include "ServiceLog.h"

void PXNetwork::get(const QString &url, const QVariantMap &params, SuccessFn success,
                    FailureFn failure, const PXRequestOptions &options)
{
    QUrl target = resolve(url, options.baseURL);
    if (!params.isEmpty()) {
        QByteArray query = target.query(QUrl::FullyEncoded).toLatin1();
        if (!query.isEmpty())
            query += '&';
        query += PXFormEncoder::encode(params);
        target.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    PXNetworkRequest::start(PXNetworkRequest::Method::Get, target, QByteArray(), std::move(success),
                            std::move(failure), options);
}

void PXNetwork::post(const QString &url, const QVariantMap &params, SuccessFn success,
                     FailureFn failure, const PXRequestOptions &options)
{
    PXNetworkRequest::start(PXNetworkRequest::Method::Post, resolve(url, options.baseURL),
                            PXFormEncoder::encode(params), std::move(success), std::move(failure),
                            options);
}

void PXNetwork::error(QNetworkReply::NetworkError error, const FailureFn &failure)
{
    qCDebug(lcService) << "request failed:" << error;
    if (failure)
        failure(networkFailureText());
}

QString PXNetwork::networkFailureText()
{
    return QStringLiteral("网络不给力！");
}

QString PXNetwork::formatFailureText()
{
    return QStringLiteral("返回数据封装格式错误!");
}

QUrl PXNetwork::resolve(const QString &url, const QUrl &baseURL)
{
    const QUrl given(url);
    if (!given.scheme().isEmpty())
        return given;
    QString base = baseURL.toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString path = url.startsWith(QLatin1Char('/')) ? url : QLatin1Char('/') + url;
    return QUrl(base + path);
}
