// Feeds arbitrary bytes to the keychain store as its file on disk: whatever
// the file holds, opening it, reading every item and writing must neither
// crash nor misbehave (a damaged file is moved aside and a fresh store used).
#include "Keychain.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

using namespace KeychainKey;

namespace {
QVariantMap genericPasswords(QVariantMap map)
{
    map.insert(Class, ClassGenericPassword);
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir root;
    [[maybe_unused]] static const bool quiet
        = (QLoggingCategory::setFilterRules(QStringLiteral("kelvo.platform.warning=false")), true);
    const QString folder = root.path() + QStringLiteral("/Keychain");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/keychain.sqlite"));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) < 0)
        return 0;
    file.close();
    Keychain keychain(folder);
    QVariant all;
    keychain.copyMatching(genericPasswords({{ReturnAttributes, true},
                                            {ReturnData, true},
                                            {ReturnPersistentRef, true},
                                            {Synchronizable, SynchronizableAny},
                                            {MatchLimit, MatchLimitAll}}),
                          &all);
    for (const QVariant &entry : all.toList()) {
        const QByteArray ref = entry.toMap().value(ValuePersistentRef).toByteArray();
        QVariant one;
        keychain.copyMatching(genericPasswords({{ValuePersistentRef, ref}, {ReturnData, true}}),
                              &one);
        keychain.updateItems(genericPasswords({{ValuePersistentRef, ref}}),
                             {{Generic, QByteArray("changed")}});
    }
    keychain.addItem(genericPasswords(
        {{Service, QStringLiteral("fuzz")}, {Account, "a"}, {ValueData, QByteArray("d")}}));
    keychain.deleteItems(genericPasswords({{Service, QStringLiteral("fuzz")}}));
    return 0;
}
