#include "SecretServiceKey.h"

#include "PlatformLog.h"

#include <KelvoConfig.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <condition_variable>
#include <libsecret/secret.h>
#include <mutex>
#include <thread>

namespace {
constexpr int timeoutMs = 3000;
constexpr char purpose[] = "keychain-master-key";

const SecretSchema &keySchema()
{
    static const SecretSchema schema = {"org.kelvo.Ostrel.KeychainKey",
                                        SECRET_SCHEMA_DONT_MATCH_NAME,
                                        {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"purpose", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return schema;
}

// Cancels the calls made under it once the timeout passes: libsecret's
// synchronous calls run their own loop, so only another thread can stop them.
class Deadline
{
public:
    Deadline()
        : m_cancellable(g_cancellable_new())
        , m_watch([this] {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [this] { return m_done; }))
                g_cancellable_cancel(m_cancellable);
        })
    { }
    ~Deadline()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_watch.join();
        g_object_unref(m_cancellable);
    }
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

    GCancellable *cancellable() const { return m_cancellable; }

private:
    GCancellable *m_cancellable;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_watch;
};

template<typename T> struct Unref
{
    void operator()(T *object) const { g_object_unref(object); }
};
template<typename T> using GPtr = std::unique_ptr<T, Unref<T>>;

struct ErrorFree
{
    void operator()(GError *error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct TableFree
{
    void operator()(GHashTable *table) const { g_hash_table_unref(table); }
};

// No bus to connect to, or nobody owning (or able to start) the service's
// name: the desktop has no keyring. Anything else is a failure to retry.
SecretServiceKey::Result classify(const GError *error)
{
    if (!error)
        return SecretServiceKey::Result::Failed;
    const bool noBus = error->domain == G_IO_ERROR && error->code != G_IO_ERROR_CANCELLED
        && error->code != G_IO_ERROR_TIMED_OUT;
    const bool noName = error->domain == G_DBUS_ERROR
        && (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN
            || error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER
            || error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND
            || error->code == G_DBUS_ERROR_SPAWN_EXEC_FAILED
            || error->code == G_DBUS_ERROR_SPAWN_CHILD_EXITED);
    if (noBus || noName)
        return SecretServiceKey::Result::NoService;
    qCWarning(lcPlatform) << "the Secret Service failed:" << error->message;
    return SecretServiceKey::Result::Failed;
}

GHashTable *keyAttributes()
{
    return secret_attributes_build(&keySchema(), "application", KelvoConfig::bundleIdentifier,
                                   "purpose", purpose, nullptr);
}

SecretService *openService(const Deadline &deadline, SecretServiceKey::Result &result)
{
    GError *raw = nullptr;
    SecretService *service
        = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, deadline.cancellable(), &raw);
    ErrorPtr error(raw);
    if (!service)
        result = classify(error.get());
    return service;
}

// The earliest key item wins, so every process picks the same one.
SecretItem *earliest(GList *items)
{
    SecretItem *chosen = nullptr;
    for (GList *it = items; it; it = it->next) {
        auto *item = static_cast<SecretItem *>(it->data);
        if (!chosen || secret_item_get_created(item) < secret_item_get_created(chosen))
            chosen = item;
    }
    return chosen;
}

SecretServiceKey::Result readItem(SecretItem *item, QByteArray &key)
{
    if (secret_item_get_locked(item))
        return SecretServiceKey::Result::Locked;
    SecretValue *value = secret_item_get_secret(item);
    if (!value)
        return SecretServiceKey::Result::Locked;
    gsize size = 0;
    const gchar *bytes = secret_value_get(value, &size);
    const bool whole = size == SecretServiceKey::keySize;
    if (whole)
        key = QByteArray(bytes, qsizetype(size));
    secret_value_unref(value);
    if (!whole) {
        qCWarning(lcPlatform) << "the keychain key in the Secret Service is not a key";
        return SecretServiceKey::Result::Failed;
    }
    return SecretServiceKey::Result::Found;
}

SecretServiceKey::Result search(SecretService *service, const Deadline &deadline, QByteArray &key)
{
    std::unique_ptr<GHashTable, TableFree> attributes(keyAttributes());
    GError *raw = nullptr;
    // Without SECRET_SEARCH_UNLOCK: a locked item is reported, never unlocked.
    GList *items = secret_service_search_sync(
        service, &keySchema(), attributes.get(),
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), deadline.cancellable(),
        &raw);
    ErrorPtr error(raw);
    if (error)
        return classify(error.get());
    SecretItem *item = earliest(items);
    const SecretServiceKey::Result result
        = item ? readItem(item, key) : SecretServiceKey::Result::NotFound;
    g_list_free_full(items, g_object_unref);
    return result;
}

SecretServiceKey::Result store(SecretService *service, const Deadline &deadline)
{
    GError *raw = nullptr;
    GPtr<SecretCollection> collection(secret_collection_for_alias_sync(
        service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, deadline.cancellable(), &raw));
    ErrorPtr error(raw);
    if (!collection)
        return error ? classify(error.get()) : SecretServiceKey::Result::Failed;
    if (secret_collection_get_locked(collection.get()))
        return SecretServiceKey::Result::Locked;
    QByteArray fresh(SecretServiceKey::keySize, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(fresh.data()),
                                          SecretServiceKey::keySize / int(sizeof(quint32)));
    SecretValue *value
        = secret_value_new(fresh.constData(), fresh.size(), "application/octet-stream");
    std::unique_ptr<GHashTable, TableFree> attributes(keyAttributes());
    GPtr<SecretItem> item(secret_item_create_sync(
        collection.get(), &keySchema(), attributes.get(), "Kelvo Ostrel keychain key", value,
        SECRET_ITEM_CREATE_NONE, deadline.cancellable(), &raw));
    secret_value_unref(value);
    fresh.fill('\0');
    error.reset(raw);
    return item ? SecretServiceKey::Result::Found : classify(error.get());
}

template<typename Work> SecretServiceKey::Result withService(const char *what, Work work)
{
    QElapsedTimer timer;
    timer.start();
    const Deadline deadline;
    SecretServiceKey::Result result = SecretServiceKey::Result::Failed;
    if (GPtr<SecretService> service {openService(deadline, result)})
        result = work(service.get(), deadline);
    qCDebug(lcPlatform) << "Secret Service" << what << "took" << timer.elapsed() << "ms";
    return result;
}
} // namespace

SecretServiceKey::Result SecretServiceKey::lookup(QByteArray &key)
{
    return withService("key lookup", [&](SecretService *service, const Deadline &deadline) {
        return search(service, deadline, key);
    });
}

SecretServiceKey::Result SecretServiceKey::create(QByteArray &key)
{
    return withService("key creation", [&](SecretService *service, const Deadline &deadline) {
        const Result stored = store(service, deadline);
        return stored == Result::Found ? search(service, deadline, key) : stored;
    });
}
