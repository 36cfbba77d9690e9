#pragma once

#include "DRKeychainError.h"
#include "Keychain.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// Class-level shortcuts for generic passwords: each builds a DRKeychainQuery
// for one service and account and runs it. The keychain argument defaults to
// the app's own; tests pass a store in a temporary folder.
class DRKeychain
{
public:
    DRKeychain() = delete;

    // Null when there is no item, its data is empty, or the lookup failed.
    static QString passwordForService(const QString &service, const QString &account,
                                      DRKeychainError *error = nullptr,
                                      Keychain &keychain = Keychain::defaultKeychain());
    static bool setPassword(const QString &password, const QString &service, const QString &account,
                            DRKeychainError *error = nullptr,
                            Keychain &keychain = Keychain::defaultKeychain());
    static bool deletePasswordForService(const QString &service, const QString &account,
                                         DRKeychainError *error = nullptr,
                                         Keychain &keychain = Keychain::defaultKeychain());
    // Attribute dictionaries of every generic password, or of one service.
    static std::optional<QList<QVariantMap>>
    allAccounts(DRKeychainError *error = nullptr, Keychain &keychain = Keychain::defaultKeychain());
    static std::optional<QList<QVariantMap>>
    accountsForService(const QString &service, DRKeychainError *error = nullptr,
                       Keychain &keychain = Keychain::defaultKeychain());

    // Written into items that save() creates or rewrites; null (none) at start.
    static QString accessibilityType();
    static void setAccessibilityType(const QString &accessibilityType);
};
