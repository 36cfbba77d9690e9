#include "DRKeychain.h"

#include "DRKeychainQuery.h"

namespace {
QString &sharedAccessibilityType()
{
    static QString type;
    return type;
}

DRKeychainQuery queryFor(const QString &service, const QString &account, Keychain &keychain)
{
    DRKeychainQuery query(keychain);
    query.setService(service);
    query.setAccount(account);
    return query;
}
} // namespace

QString DRKeychain::passwordForService(const QString &service, const QString &account,
                                       DRKeychainError *error, Keychain &keychain)
{
    DRKeychainQuery query = queryFor(service, account, keychain);
    query.fetch(error);
    return query.password();
}

bool DRKeychain::setPassword(const QString &password, const QString &service,
                             const QString &account, DRKeychainError *error, Keychain &keychain)
{
    DRKeychainQuery query = queryFor(service, account, keychain);
    query.setPassword(password);
    return query.save(error);
}

bool DRKeychain::deletePasswordForService(const QString &service, const QString &account,
                                          DRKeychainError *error, Keychain &keychain)
{
    return queryFor(service, account, keychain).deleteItem(error);
}

std::optional<QList<QVariantMap>> DRKeychain::allAccounts(DRKeychainError *error,
                                                          Keychain &keychain)
{
    return accountsForService(QString(), error, keychain);
}

std::optional<QList<QVariantMap>>
DRKeychain::accountsForService(const QString &service, DRKeychainError *error, Keychain &keychain)
{
    return queryFor(service, QString(), keychain).fetchAll(error);
}

QString DRKeychain::accessibilityType()
{
    return sharedAccessibilityType();
}

void DRKeychain::setAccessibilityType(const QString &accessibilityType)
{
    sharedAccessibilityType() = accessibilityType;
}
