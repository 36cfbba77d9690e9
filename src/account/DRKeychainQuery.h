#pragma once

#include "DRKeychainError.h"
#include "Keychain.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// One generic-password lookup or change in the keychain: the item's service
// and account, and the password going in or coming out. Each operation
// reports success and, when asked, the error it failed with.
class DRKeychainQuery
{
public:
    // Returned before any keychain call when service or account (or, for a
    // save, the password) is missing.
    static constexpr int badArgumentsCode = -1001;

    enum class SynchronizationMode : unsigned { Any = 0, No = 1, Yes = 2 };

    explicit DRKeychainQuery(Keychain &keychain = Keychain::defaultKeychain());

    QString service() const { return m_service; }
    void setService(const QString &service) { m_service = service; }
    QString account() const { return m_account; }
    void setAccount(const QString &account) { m_account = account; }
    QString label() const { return m_label; }
    void setLabel(const QString &label) { m_label = label; }
    QString accessGroup() const { return m_accessGroup; }
    void setAccessGroup(const QString &accessGroup) { m_accessGroup = accessGroup; }
    QByteArray passwordData() const { return m_passwordData; }
    void setPasswordData(const QByteArray &data) { m_passwordData = data; }
    SynchronizationMode synchronizationMode() const { return m_synchronizationMode; }
    void setSynchronizationMode(SynchronizationMode mode) { m_synchronizationMode = mode; }

    // passwordData as UTF-8 text; null when there is no data or it is empty.
    QString password() const;
    void setPassword(const QString &password);

    // Stores passwordData under service and account, replacing the item's
    // password when it exists.
    bool save(DRKeychainError *error = nullptr);
    bool deleteItem(DRKeychainError *error = nullptr);
    // Reads the item's data into passwordData.
    bool fetch(DRKeychainError *error = nullptr);
    // Attribute dictionaries of every match; service and account narrow the
    // match when set.
    std::optional<QList<QVariantMap>> fetchAll(DRKeychainError *error = nullptr);

    // The base match: class, and service, account and access group when set.
    QVariantMap query() const;

    // This platform's keychain keeps every item on the device.
    static bool isSynchronizationAvailable();
    // Null for 0; otherwise the code with its key's message and our domain.
    static std::optional<DRKeychainError> errorWithCode(int code);

private:
    bool hasName() const;
    bool report(int status, DRKeychainError *error) const;
    int replacePassword();

    Keychain *m_keychain;
    QString m_service;
    QString m_account;
    QString m_label;
    QString m_accessGroup;
    QByteArray m_passwordData;
    SynchronizationMode m_synchronizationMode = SynchronizationMode::Any;
};
