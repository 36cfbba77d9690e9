// Feeds arbitrary bytes to the keychain store as its file on disk: whatever
// the file holds, opening it, reading every item and writing must neither
// crash nor misbehave (a damaged file is moved aside and a fresh store used).
#include "Keychain.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {
QVariantMap genericPasswords(QVariantMap map)
{
    map.insert(KeychainKey::Class, KeychainKey::ClassGenericPassword);
    return map;
}

void exercise(Keychain &keychain)
{
    QVariant all;
    keychain.copyMatching(
        genericPasswords({{KeychainKey::ReturnAttributes, true},
                          {KeychainKey::ReturnData, true},
                          {KeychainKey::ReturnPersistentRef, true},
                          {KeychainKey::Synchronizable, KeychainKey::SynchronizableAny},
                          {KeychainKey::MatchLimit, KeychainKey::MatchLimitAll}}),
        &all);
    for (const QVariant &entry : all.toList()) {
        const QByteArray ref = entry.toMap().value(KeychainKey::ValuePersistentRef).toByteArray();
        QVariant one;
        keychain.copyMatching(genericPasswords({{KeychainKey::ValuePersistentRef, ref},
                                                {KeychainKey::ReturnData, true}}),
                              &one);
        keychain.updateItems(genericPasswords({{KeychainKey::ValuePersistentRef, ref}}),
                             {{KeychainKey::Generic, QByteArray("changed")}});
    }
    keychain.addItem(genericPasswords({{KeychainKey::Service, QStringLiteral("fuzz")},
                                       {KeychainKey::Account, QStringLiteral("a")},
                                       {KeychainKey::ValueData, QByteArray("d")}}));
    keychain.deleteItems(genericPasswords({{KeychainKey::Service, QStringLiteral("fuzz")}}));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir root;
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("kelvo.platform.warning=false"));
        return true;
    }();
    Q_UNUSED(quiet);
    const QString folder = root.path() + QStringLiteral("/Keychain");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    {
        QFile file(folder + QStringLiteral("/keychain.sqlite"));
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Keychain keychain(folder);
    exercise(keychain);
    return 0;
}
