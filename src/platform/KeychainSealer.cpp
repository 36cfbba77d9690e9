#include "KeychainSealer.h"

#include "KeychainCipher.h"
#include "KeychainItem.h"
#include "KeychainKeys.h"
#include "KeychainStatement.h"
#include "KeychainStore.h"
#include "PlatformLog.h"
#include "SecretServiceKey.h"

#include <sqlite3.h>

namespace {
struct PlainRow
{
    QByteArray ref;
    QString itemClass;
    QString service;
    QString account;
    QByteArray data;
};

int statusFor(SecretServiceKey::Result result)
{
    return result == SecretServiceKey::Result::Locked ? KeychainStatus::InteractionNotAllowed
                                                      : KeychainStatus::NotAvailable;
}

void warnKeyMissing()
{
    qCWarning(lcPlatform)
        << "the keychain's key is missing from the Secret Service while sealed items remain;"
           " the items are kept and answer \"not available\" until the key is restored";
}
} // namespace

KeychainSealer::KeychainSealer() = default;

KeychainSealer::~KeychainSealer()
{
    m_key.fill('\0');
}

int KeychainSealer::prepare(KeychainStore &store)
{
    if (m_mode != Mode::Undecided)
        return KeychainStatus::Success;
    switch (SecretServiceKey::lookup(m_key)) {
    case SecretServiceKey::Result::Found:
        return adoptKey(store, false);
    case SecretServiceKey::Result::NotFound:
        return adoptKey(store, true);
    case SecretServiceKey::Result::NoService:
        return goPlain(store);
    case SecretServiceKey::Result::Locked:
        return KeychainStatus::InteractionNotAllowed;
    case SecretServiceKey::Result::Failed:
        break;
    }
    return KeychainStatus::NotAvailable;
}

// Under the store's write lock, so two processes starting together agree on
// one key and seal the plain rows once.
int KeychainSealer::adoptKey(KeychainStore &store, bool create)
{
    if (!store.begin())
        return KeychainStatus::NotAvailable;
    int status = KeychainStatus::Success;
    bool sealed = false;
    if (create && !hasSealedRows(store, sealed))
        status = KeychainStatus::NotAvailable;
    else if (create && sealed) {
        warnKeyMissing();
        status = KeychainStatus::NotAvailable;
    } else if (create) {
        SecretServiceKey::Result result = SecretServiceKey::lookup(m_key);
        if (result == SecretServiceKey::Result::NotFound)
            result = SecretServiceKey::create(m_key);
        if (result != SecretServiceKey::Result::Found)
            status = statusFor(result);
    }
    int count = 0;
    if (status == KeychainStatus::Success && (!sealPlainRows(store, count) || !store.commit()))
        status = KeychainStatus::NotAvailable;
    if (status != KeychainStatus::Success) {
        store.rollback();
        m_key.fill('\0');
        m_key.clear();
        return status;
    }
    if (count > 0) {
        // The plain bytes left in the journal go with it.
        store.checkpoint();
        qCInfo(lcPlatform) << "sealed" << count << "keychain items under the Secret Service key";
    }
    m_mode = Mode::Sealed;
    return status;
}

// Sealed rows without a Secret Service: someone started us outside the
// desktop session. The rows stay sealed and unreadable rather than mixed
// with new plain ones.
int KeychainSealer::goPlain(KeychainStore &store)
{
    bool sealed = false;
    if (!store.begin())
        return KeychainStatus::NotAvailable;
    const bool known = hasSealedRows(store, sealed);
    store.rollback();
    if (!known)
        return KeychainStatus::NotAvailable;
    if (sealed) {
        qCWarning(lcPlatform) << "no Secret Service to open the sealed keychain items";
        return KeychainStatus::NotAvailable;
    }
    static bool warned = false;
    if (!warned)
        qCWarning(lcPlatform) << "no Secret Service: keychain secrets are stored unencrypted in"
                              << store.filePath();
    warned = true;
    m_mode = Mode::Plain;
    return KeychainStatus::Success;
}

bool KeychainSealer::hasSealedRows(KeychainStore &store, bool &sealed) const
{
    KeychainStatement probe(store.connection(),
                            QStringLiteral("SELECT 1 FROM items WHERE nonce IS NOT NULL LIMIT 1"));
    const int rc = probe.step();
    sealed = rc == SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

bool KeychainSealer::sealPlainRows(KeychainStore &store, int &count) const
{
    QList<PlainRow> rows;
    {
        KeychainStatement select(store.connection(),
                                 QStringLiteral("SELECT ref, class, service, account, data FROM "
                                                "items WHERE nonce IS NULL AND data IS NOT NULL"));
        int rc = SQLITE_ROW;
        while ((rc = select.step()) == SQLITE_ROW)
            rows.append(
                {select.blob(0), select.text(1), select.text(2), select.text(3), select.blob(4)});
        if (rc != SQLITE_DONE)
            return false;
    }
    for (const PlainRow &row : std::as_const(rows)) {
        QByteArray nonce;
        const QByteArray sealed = KeychainCipher::seal(
            m_key, row.data, KeychainCipher::identity(row.itemClass, row.service, row.account),
            nonce);
        KeychainStatement update(
            store.connection(),
            QStringLiteral("UPDATE items SET data = ?, nonce = ? WHERE ref = ?"));
        if (sealed.isNull() || !update.bindAll({sealed, nonce, row.ref})
            || update.step() != SQLITE_DONE)
            return false;
    }
    count = int(rows.size());
    return true;
}

bool KeychainSealer::seal(const QString &service, const QString &account, const QByteArray &plain,
                          QByteArray &stored, QByteArray &nonce) const
{
    nonce.clear();
    if (m_mode != Mode::Sealed || plain.isNull()) {
        stored = plain;
        return true;
    }
    stored = KeychainCipher::seal(
        m_key, plain, KeychainCipher::identity(KeychainKey::ClassGenericPassword, service, account),
        nonce);
    return !stored.isNull();
}

bool KeychainSealer::open(KeychainItem &item) const
{
    if (item.nonce.isNull())
        return true;
    if (m_mode != Mode::Sealed)
        return false;
    const std::optional<QByteArray> plain = KeychainCipher::open(
        m_key, item.data, item.nonce,
        KeychainCipher::identity(item.itemClass, item.service, item.account));
    if (!plain) {
        qCWarning(lcPlatform) << "a keychain item's value data failed authentication; kept as is";
        return false;
    }
    item.data = *plain;
    return true;
}
