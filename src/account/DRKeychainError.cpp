#include "DRKeychainError.h"

#include "DRKeychainQuery.h"
#include "KeychainKeys.h"

#include <QHash>

namespace {
struct Entry
{
    int code;
    const char *key;
};

constexpr Entry keys[] = {
    {KeychainStatus::Unimplemented, "errSecUnimplemented"},
    {KeychainStatus::Param, "errSecParam"},
    {KeychainStatus::Allocate, "errSecAllocate"},
    {DRKeychainQuery::badArgumentsCode, "DRKeychainErrorBadArguments"},
    {KeychainStatus::NotAvailable, "errSecNotAvailable"},
    {KeychainStatus::AuthFailed, "errSecAuthFailed"},
    {KeychainStatus::DuplicateItem, "errSecDuplicateItem"},
    {KeychainStatus::ItemNotFound, "errSecItemNotFound"},
    {KeychainStatus::InteractionNotAllowed, "errSecInteractionNotAllowed"},
    {KeychainStatus::Decode, "errSecDecode"},
};

// The wrapper's string table.
const QHash<QString, QString> &messages()
{
    static const QHash<QString, QString> table {
        {QStringLiteral("errSecUnimplemented"),
         QStringLiteral("Function or operation not implemented.")},
        {QStringLiteral("errSecParam"),
         QStringLiteral("One or more parameters passed to the function were not valid.")},
        {QStringLiteral("errSecAllocate"), QStringLiteral("Failed to allocate memory.")},
        {QStringLiteral("DRKeychainErrorBadArguments"),
         QStringLiteral("Some of the arguments were invalid.")},
        {QStringLiteral("errSecNotAvailable"), QStringLiteral("No keychain is available.")},
        {QStringLiteral("errSecAuthFailed"),
         QStringLiteral("Authorization/Authentication failed.")},
        {QStringLiteral("errSecDuplicateItem"), QStringLiteral("The item already exists.")},
        {QStringLiteral("errSecItemNotFound"), QStringLiteral("The item cannot be found.")},
        {QStringLiteral("errSecInteractionNotAllowed"),
         QStringLiteral("Interaction with the keychain is not allowed.")},
        {QStringLiteral("errSecDecode"), QStringLiteral("Unable to decode the provided data.")},
        {QStringLiteral("errSecDefault"), QStringLiteral("An unknown keychain error occurred.")},
    };
    return table;
}
} // namespace

QString DRKeychainError::errorDomain()
{
    return QStringLiteral("com.ostrel.kelvo.DRKeychainErrorDomain");
}

QString DRKeychainError::keyForCode(int code)
{
    for (const Entry &entry : keys) {
        if (entry.code == code)
            return QString::fromLatin1(entry.key);
    }
    return QStringLiteral("errSecDefault");
}

QString DRKeychainError::messageForKey(const QString &key)
{
    return messages().value(key, key);
}
