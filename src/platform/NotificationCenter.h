#pragma once

#include "Notification.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

// Process-wide notification centre. Delivery is synchronous, on the thread
// that posts (the main thread for everything this app posts). An observer is
// a QObject; its registrations end when it is destroyed, so a handler never
// runs for a dead observer.
class NotificationCenter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    NotificationCenter() = default;

    // object: deliver only notifications posted by this object (null: any).
    void addObserver(QObject *observer, const QString &name, const void *object, Handler handler);
    void removeObserver(QObject *observer);
    void removeObserver(QObject *observer, const QString &name, const void *object = nullptr);
    void postNotification(const QString &name, const void *object = nullptr,
                          const QVariantMap &userInfo = {});
    int observerCount() const;

private:
    struct Entry
    {
        quint64 id;
        QPointer<QObject> observer;
        QString name;
        const void *object;
        std::shared_ptr<Handler> handler;
    };
    void forget(QObject *observer);

    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};
