#pragma once

#include <QUrl>

// Points every request made without explicit options at another service for
// as long as the object lives, then restores the previous target. Meant for
// the end-to-end suite, which drives real screens against a service it started
// on a free port; the app itself never makes one. Main thread only.
class PXServiceOverride
{
public:
    explicit PXServiceOverride(const QUrl &baseURL);
    ~PXServiceOverride();

    PXServiceOverride(const PXServiceOverride &) = delete;
    PXServiceOverride &operator=(const PXServiceOverride &) = delete;

    // The configured service, or the innermost live override.
    static QUrl currentBaseURL();

private:
    QUrl m_previous;
    bool m_hadPrevious = false;
};
