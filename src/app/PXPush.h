#pragma once

#include <QVariantMap>

class Application;

// Push registration at launch.
class PXPush
{
public:
    // Push types as a bit mask: badge 1, sound 2, alert 4.
    static constexpr int notificationTypes = 1 | 2 | 4;

    static void remoteNotification(Application &application, const QVariantMap &options);
};
