#include "PXPush.h"

#include "Application.h"
#include "PushService.h"

void PXPush::remoteNotification(Application &application, const QVariantMap &options)
{
    application.setApplicationIconBadgeNumber(0);
    PushService::registerForRemoteNotificationTypes(notificationTypes, QVariant());
    PushService::setupWithOption(options);
}
