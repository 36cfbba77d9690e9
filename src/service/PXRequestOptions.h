#pragma once

#include <QUrl>
#include <chrono>

// How one request is sent. Screens never fill this in: the defaults are the
// configured service and the app's 30-second limit. Tests and the end-to-end
// suite pass their own to reach a service on another port or to wait less.
struct PXRequestOptions
{
    PXRequestOptions();

    // Relative request paths are resolved against this URL.
    QUrl baseURL;
    std::chrono::milliseconds timeout {30000};
    // A reply body longer than this is abandoned: the service's envelopes are
    // a few hundred bytes, and nothing outside should make us hold more.
    qint64 maxBodyBytes = 1024 * 1024;
};
