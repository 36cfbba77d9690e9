#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

// Runs one asynchronous client call to its end and tells how it ended: the
// client's callbacks (success with the optional payload, failure with a text).
struct ServiceCall
{
    using SuccessFn = std::function<void(const std::optional<QJsonObject> &)>;
    using FailureFn = std::function<void(const QString &)>;
    using Starter = std::function<void(SuccessFn, FailureFn)>;

    int successes = 0;
    int failures = 0;
    std::optional<QJsonObject> payload;
    QString failureText;

    bool succeeded() const { return successes == 1 && failures == 0; }

    // Waits up to timeoutMs for a callback, then briefly for a second one.
    static ServiceCall run(const Starter &start, int timeoutMs = 10000);
};
