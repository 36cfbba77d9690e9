#pragma once

#include "RecordedCall.h"

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <QVariantMap>

// Stand-in for the push-notification library. The desktop has no push
// channel, so it records what the app asks of it, in order.
class PushService
{
public:
    static void registerForRemoteNotificationTypes(int types, const QVariant &categories);
    static void setupWithOption(const QVariantMap &launchOptions);
    static void registerDeviceToken(const QByteArray &deviceToken);
    static void handleRemoteNotification(const QVariantMap &payload);

    static QList<RecordedCall> calls();
    static void clearCalls();
};
