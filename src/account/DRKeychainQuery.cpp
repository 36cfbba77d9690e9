#include "DRKeychainQuery.h"

#include "DRKeychain.h"

using namespace KeychainKey;

DRKeychainQuery::DRKeychainQuery(Keychain &keychain)
    : m_keychain(&keychain)
{ }

QString DRKeychainQuery::password() const
{
    if (m_passwordData.isEmpty())
        return {};
    return QString::fromUtf8(m_passwordData);
}

void DRKeychainQuery::setPassword(const QString &password)
{
    m_passwordData = password.isNull() ? QByteArray() : password.toUtf8();
}

bool DRKeychainQuery::hasName() const
{
    return !m_service.isNull() && !m_account.isNull();
}

bool DRKeychainQuery::report(int status, DRKeychainError *error) const
{
    if (status == KeychainStatus::Success)
        return true;
    const std::optional<DRKeychainError> reported = errorWithCode(status);
    if (error && reported)
        *error = *reported;
    return false;
}

QVariantMap DRKeychainQuery::query() const
{
    QVariantMap map {{Class, ClassGenericPassword}};
    if (!m_service.isNull())
        map.insert(Service, m_service);
    if (!m_account.isNull())
        map.insert(Account, m_account);
    if (!m_accessGroup.isNull())
        map.insert(AccessGroup, m_accessGroup);
    if (isSynchronizationAvailable()) {
        switch (m_synchronizationMode) {
        case SynchronizationMode::Any:
            map.insert(Synchronizable, SynchronizableAny);
            break;
        case SynchronizationMode::No:
            map.insert(Synchronizable, false);
            break;
        case SynchronizationMode::Yes:
            map.insert(Synchronizable, true);
            break;
        }
    }
    return map;
}

bool DRKeychainQuery::save(DRKeychainError *error)
{
    if (!hasName() || m_passwordData.isNull())
        return report(badArgumentsCode, error);
    return report(replacePassword(), error);
}

// Replacing in place rather than deleting first: a failed add after a
// successful delete would lose the stored password.
int DRKeychainQuery::replacePassword()
{
    QVariantMap attributes = query();
    attributes.insert(ValueData, m_passwordData);
    if (!m_label.isNull())
        attributes.insert(Label, m_label);
    const QString accessibility = DRKeychain::accessibilityType();
    if (!accessibility.isNull())
        attributes.insert(Accessible, accessibility);
    const int added = m_keychain->addItem(attributes);
    if (added != KeychainStatus::DuplicateItem)
        return added;
    attributes.remove(Class);
    attributes.remove(Service);
    attributes.remove(Account);
    attributes.remove(AccessGroup);
    attributes.remove(Synchronizable);
    return m_keychain->updateItems(query(), attributes);
}

bool DRKeychainQuery::deleteItem(DRKeychainError *error)
{
    if (!hasName())
        return report(badArgumentsCode, error);
    return report(m_keychain->deleteItems(query()), error);
}

bool DRKeychainQuery::fetch(DRKeychainError *error)
{
    if (!hasName())
        return report(badArgumentsCode, error);
    QVariantMap request = query();
    request.insert(ReturnData, true);
    request.insert(MatchLimit, MatchLimitOne);
    QVariant result;
    const int status = m_keychain->copyMatching(request, &result);
    if (status == KeychainStatus::Success)
        m_passwordData = result.toByteArray();
    return report(status, error);
}

std::optional<QList<QVariantMap>> DRKeychainQuery::fetchAll(DRKeychainError *error)
{
    QVariantMap request = query();
    request.insert(ReturnAttributes, true);
    request.insert(MatchLimit, MatchLimitAll);
    QVariant result;
    if (!report(m_keychain->copyMatching(request, &result), error))
        return std::nullopt;
    QList<QVariantMap> accounts;
    for (const QVariant &entry : result.toList())
        accounts.append(entry.toMap());
    return accounts;
}

bool DRKeychainQuery::isSynchronizationAvailable()
{
    return false;
}

std::optional<DRKeychainError> DRKeychainQuery::errorWithCode(int code)
{
    if (code == KeychainStatus::Success)
        return std::nullopt;
    const QString key = DRKeychainError::keyForCode(code);
    return DRKeychainError {code, DRKeychainError::errorDomain(),
                            DRKeychainError::messageForKey(key)};
}
