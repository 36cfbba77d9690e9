#include "ServiceCall.h"

#include <QTest>
#include <memory>

ServiceCall ServiceCall::run(const Starter &start, int timeoutMs)
{
    auto call = std::make_shared<ServiceCall>();
    start(
        [call](const std::optional<QJsonObject> &data) {
            ++call->successes;
            call->payload = data;
        },
        [call](const QString &text) {
            ++call->failures;
            call->failureText = text;
        });
    if (QTest::qWaitFor([&] { return call->successes + call->failures > 0; }, timeoutMs))
        QTest::qWait(20);
    return *call;
}
