#include "NotificationCenter.h"

#include <algorithm>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject *observer, const QString &name, const void *object,
                                     Handler handler)
{
    if (!observer || !handler)
        return;
    const bool known = std::any_of(m_entries.begin(), m_entries.end(),
                                   [observer](const Entry &e) { return e.observer == observer; });
    if (!known)
        connect(observer, &QObject::destroyed, this, [this, observer] { forget(observer); });
    m_entries.push_back(
        {m_nextId++, observer, name, object, std::make_shared<Handler>(std::move(handler))});
}

void NotificationCenter::removeObserver(QObject *observer)
{
    forget(observer);
    if (observer)
        disconnect(observer, &QObject::destroyed, this, nullptr);
}

void NotificationCenter::removeObserver(QObject *observer, const QString &name, const void *object)
{
    std::erase_if(m_entries, [&](const Entry &e) {
        return e.observer == observer && e.name == name && (!object || e.object == object);
    });
}

void NotificationCenter::forget(QObject *observer)
{
    std::erase_if(m_entries, [observer](const Entry &e) {
        return e.observer.isNull() || e.observer == observer;
    });
}

void NotificationCenter::postNotification(const QString &name, const void *object,
                                          const QVariantMap &userInfo)
{
    const Notification note {name, object, userInfo};
    // Handlers may add or remove observers while we deliver: walk a snapshot
    // and re-check that each registration is still live before calling it.
    struct Target
    {
        quint64 id;
        std::shared_ptr<Handler> handler;
    };
    std::vector<Target> targets;
    for (const Entry &e : m_entries) {
        if (e.name == name && (!e.object || e.object == object) && !e.observer.isNull())
            targets.push_back({e.id, e.handler});
    }
    for (const Target &t : targets) {
        const bool live = std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry &e) {
            return e.id == t.id && !e.observer.isNull();
        });
        if (live)
            (*t.handler)(note);
    }
}

int NotificationCenter::observerCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const Entry &e) { return !e.observer.isNull(); }));
}
