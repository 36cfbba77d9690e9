#pragma once

#include "KeychainKeys.h"

#include <QMutex>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class KeychainItem;
class KeychainRequest;
class KeychainSealer;
class KeychainStore;

// The app's keychain: generic-password items kept in one private SQLite file,
// their value data sealed under a key from the desktop's Secret Service when
// one runs (KeychainSealer).
// The four operations take dictionaries keyed by KeychainKey and answer with
// a KeychainStatus value, 0 meaning success, like the phone platform's item
// functions they stand in for. An item is unique by (class, service,
// account); adding one hands back, on request, a persistent reference (16
// random bytes) that finds it again in any later run.
class Keychain
{
public:
    // The store under <data root>/Keychain.
    static Keychain &defaultKeychain();

    // A store in its own folder (created 0700); tests use temporary folders.
    explicit Keychain(const QString &folder);
    ~Keychain();
    Keychain(const Keychain &) = delete;
    Keychain &operator=(const Keychain &) = delete;

    // Adds the item described by attributes (Class required, ValueData
    // optional). With Return* keys, result receives the new item in that
    // shape. DuplicateItem when the (class, service, account) is taken.
    int addItem(const QVariantMap &attributes, QVariant *result = nullptr);
    // Finds items by the attributes or ValuePersistentRef named in query.
    // MatchLimit one (default) gives one result, all a QVariantList.
    int copyMatching(const QVariantMap &query, QVariant *result = nullptr);
    // Changes the given attributes (and ValueData) of every match.
    int updateItems(const QVariantMap &query, const QVariantMap &attributesToUpdate);
    int deleteItems(const QVariantMap &query);

    QString folder() const;
    QString filePath() const;

private:
    int insert(const KeychainRequest &request, QVariant *result);
    int select(const KeychainRequest &request, QVariant *result);
    int change(const KeychainRequest &match, const KeychainRequest &changes);
    int changeAttributes(const KeychainRequest &match, const KeychainRequest &changes);
    int collect(const KeychainRequest &match, std::vector<KeychainItem> &items);
    int reseal(KeychainItem &item, const KeychainRequest &changes);
    int remove(const KeychainRequest &match);
    template<typename Operation> int inTransaction(Operation operation);
    int failed(int sqliteCode);
    bool nameTaken(const KeychainRequest &request, bool &taken);
    bool readByRef(const QByteArray &ref, KeychainItem &item);

    QString m_folder;
    std::unique_ptr<KeychainStore> m_store;
    std::unique_ptr<KeychainSealer> m_sealer;
    QMutex m_mutex;
};
