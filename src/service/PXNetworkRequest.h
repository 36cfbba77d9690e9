#pragma once

#include "PXEnvelope.h"
#include "PXNetwork.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>

// One request in flight. It owns its own access manager, as the client keeps
// no state between calls, and deletes itself once it has called back.
class PXNetworkRequest : public QObject
{
    Q_OBJECT

public:
    enum class Method { Get, Post };

    static void start(Method method, const QUrl &url, const QByteArray &form,
                      PXNetwork::SuccessFn success, PXNetwork::FailureFn failure,
                      const PXRequestOptions &options);

private:
    struct Callbacks
    {
        PXNetwork::SuccessFn success;
        PXNetwork::FailureFn failure;
    };

    PXNetworkRequest(PXNetwork::SuccessFn success, PXNetwork::FailureFn failure,
                     const PXRequestOptions &options);

    void send(Method method, const QUrl &url, const QByteArray &form);
    void onReadyRead();
    void onFinished();
    void onTimeout();
    bool exceedsBodyLimit() const;
    void finishWithNetworkFailure(QNetworkReply::NetworkError error);
    void finish(const PXEnvelope::Result &result);
    Callbacks release();
    void stopTransfer();

    QNetworkAccessManager m_manager;
    QNetworkReply *m_reply = nullptr; // owned by m_manager
    QTimer m_deadline;
    QByteArray m_body;
    PXNetwork::SuccessFn m_success;
    PXNetwork::FailureFn m_failure;
    qint64 m_maxBodyBytes;
    bool m_done = false;
};
