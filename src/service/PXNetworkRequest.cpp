#include "PXNetworkRequest.h"

#include "ServiceLog.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QNetworkRequest>

namespace {

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

void PXNetworkRequest::start(Method method, const QUrl &url, const QByteArray &form,
                             PXNetwork::SuccessFn success, PXNetwork::FailureFn failure,
                             const PXRequestOptions &options)
{
    auto *request = new PXNetworkRequest(std::move(success), std::move(failure), options);
    request->send(method, url, form);
}

PXNetworkRequest::PXNetworkRequest(PXNetwork::SuccessFn success, PXNetwork::FailureFn failure,
                                   const PXRequestOptions &options)
    : m_success(std::move(success))
    , m_failure(std::move(failure))
    , m_maxBodyBytes(options.maxBodyBytes)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(options.timeout);
    connect(&m_deadline, &QTimer::timeout, this, &PXNetworkRequest::onTimeout);
}

void PXNetworkRequest::send(Method method, const QUrl &url, const QByteArray &form)
{
    // A process-wide proxy must never see traffic meant for a service on this
    // machine, nor answer in its name. Qt 6.4 already leaves loopback alone;
    // saying so here keeps it true whatever a later Qt or a proxy setting does.
    if (isLoopbackHost(url.host()))
        m_manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    if (method == Method::Post) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        m_reply = m_manager.post(request, form);
    } else {
        m_reply = m_manager.get(request);
    }
    connect(m_reply, &QNetworkReply::readyRead, this, &PXNetworkRequest::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PXNetworkRequest::onFinished);
    m_deadline.start();
}

void PXNetworkRequest::onReadyRead()
{
    if (m_done || !m_reply)
        return;
    m_body += m_reply->readAll();
    if (exceedsBodyLimit())
        finishWithNetworkFailure(QNetworkReply::UnknownContentError);
}

void PXNetworkRequest::onFinished()
{
    if (m_done || !m_reply)
        return;
    m_body += m_reply->readAll();
    if (m_reply->error() != QNetworkReply::NoError) {
        finishWithNetworkFailure(m_reply->error());
        return;
    }
    if (exceedsBodyLimit()) {
        finishWithNetworkFailure(QNetworkReply::UnknownContentError);
        return;
    }
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : -1;
    finish(PXEnvelope::decode(code, m_reply->rawHeader("Content-Type"), m_body));
}

void PXNetworkRequest::onTimeout()
{
    if (!m_done)
        finishWithNetworkFailure(QNetworkReply::TimeoutError);
}

bool PXNetworkRequest::exceedsBodyLimit() const
{
    if (m_body.size() > m_maxBodyBytes)
        return true;
    const QVariant declared
        = m_reply ? m_reply->header(QNetworkRequest::ContentLengthHeader) : QVariant();
    return declared.isValid() && declared.toLongLong() > m_maxBodyBytes;
}

void PXNetworkRequest::finishWithNetworkFailure(QNetworkReply::NetworkError error)
{
    if (m_done)
        return;
    const Callbacks callbacks = release();
    PXNetwork::error(error, callbacks.failure);
}

void PXNetworkRequest::finish(const PXEnvelope::Result &result)
{
    if (m_done)
        return;
    const Callbacks callbacks = release();
    if (result.ok) {
        if (callbacks.success)
            callbacks.success(result.payload);
    } else if (callbacks.failure) {
        callbacks.failure(result.failureText);
    }
}

PXNetworkRequest::Callbacks PXNetworkRequest::release()
{
    // The callback may open a modal dialog and spin an event loop, so this
    // object is released first and not touched once the callback runs.
    m_done = true;
    stopTransfer();
    Callbacks callbacks {std::move(m_success), std::move(m_failure)};
    deleteLater();
    return callbacks;
}

void PXNetworkRequest::stopTransfer()
{
    m_deadline.stop();
    if (!m_reply)
        return;
    disconnect(m_reply, nullptr, this, nullptr);
    if (m_reply->isRunning())
        m_reply->abort();
    m_body.clear();
}
