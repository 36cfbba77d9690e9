#pragma once

#include <QString>

// Dictionary keys and values understood by Keychain, and the status codes it
// answers with. The status values are the phone platform's, so code written
// against its keychain reads the same here.
namespace KeychainKey {
// Item class. Only generic passwords are stored.
inline const QString Class = QStringLiteral("class");
inline const QString ClassGenericPassword = QStringLiteral("genp");

// Item attributes.
inline const QString Service = QStringLiteral("service");
inline const QString Account = QStringLiteral("account");
inline const QString Label = QStringLiteral("label");
inline const QString Generic = QStringLiteral("generic");
inline const QString AccessGroup = QStringLiteral("accessGroup");
inline const QString Accessible = QStringLiteral("accessible");
inline const QString Synchronizable = QStringLiteral("synchronizable");
inline const QString CreationDate = QStringLiteral("creationDate");
inline const QString ModificationDate = QStringLiteral("modificationDate");

// Item values.
inline const QString ValueData = QStringLiteral("valueData");
inline const QString ValuePersistentRef = QStringLiteral("valuePersistentRef");

// What a lookup (or an add) hands back.
inline const QString ReturnData = QStringLiteral("returnData");
inline const QString ReturnAttributes = QStringLiteral("returnAttributes");
inline const QString ReturnPersistentRef = QStringLiteral("returnPersistentRef");

inline const QString MatchLimit = QStringLiteral("matchLimit");
inline const QString MatchLimitOne = QStringLiteral("one");
inline const QString MatchLimitAll = QStringLiteral("all");

// In a query, Synchronizable = SynchronizableAny matches local and
// synchronizable items alike; without the key only local items match.
inline const QString SynchronizableAny = QStringLiteral("any");

// Accessibility classes accepted for Accessible.
inline const QString AccessibleWhenUnlocked = QStringLiteral("whenUnlocked");
inline const QString AccessibleAfterFirstUnlock = QStringLiteral("afterFirstUnlock");
inline const QString AccessibleAlways = QStringLiteral("always");
inline const QString AccessibleWhenPasscodeSetThisDeviceOnly
    = QStringLiteral("whenPasscodeSetThisDeviceOnly");
inline const QString AccessibleWhenUnlockedThisDeviceOnly
    = QStringLiteral("whenUnlockedThisDeviceOnly");
inline const QString AccessibleAfterFirstUnlockThisDeviceOnly
    = QStringLiteral("afterFirstUnlockThisDeviceOnly");
inline const QString AccessibleAlwaysThisDeviceOnly = QStringLiteral("alwaysThisDeviceOnly");
} // namespace KeychainKey

namespace KeychainStatus {
constexpr int Success = 0;
constexpr int Unimplemented = -4;
constexpr int Param = -50;
constexpr int Allocate = -108;
constexpr int NotAvailable = -25291;
constexpr int AuthFailed = -25293;
constexpr int DuplicateItem = -25299;
constexpr int ItemNotFound = -25300;
constexpr int InteractionNotAllowed = -25308;
constexpr int Decode = -26275;
} // namespace KeychainStatus
