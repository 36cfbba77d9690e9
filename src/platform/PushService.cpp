#include "PushService.h"

namespace {
QList<RecordedCall> &log()
{
    static QList<RecordedCall> calls;
    return calls;
}
} // namespace

void PushService::registerForRemoteNotificationTypes(int types, const QVariant &categories)
{
    log().append(
        {QStringLiteral("registerForRemoteNotificationTypes:categories:"), {types, categories}});
}

void PushService::setupWithOption(const QVariantMap &launchOptions)
{
    log().append({QStringLiteral("setupWithOption:"), {launchOptions}});
}

void PushService::registerDeviceToken(const QByteArray &deviceToken)
{
    log().append({QStringLiteral("registerDeviceToken:"), {deviceToken}});
}

void PushService::handleRemoteNotification(const QVariantMap &payload)
{
    log().append({QStringLiteral("handleRemoteNotification:"), {payload}});
}

QList<RecordedCall> PushService::calls()
{
    return log();
}

void PushService::clearCalls()
{
    log().clear();
}
