// Saves keychain items in a loop until killed. It prints "B <item> <generation>"
// before each change and "C <item> <generation>" once it is committed, so whoever
// kills it knows which values may be in the store.
#include "Keychain.h"
#include "keychain_crash_values.h"

#include <QString>
#include <unistd.h>

namespace {
void report(char kind, int item, qint64 generation)
{
    // One write per line keeps lines whole in the pipe.
    const QByteArray line = QString::asprintf("%c %d %lld\n", kind, item, generation).toLatin1();
    [[maybe_unused]] const ssize_t written
        = ::write(STDOUT_FILENO, line.data(), size_t(line.size()));
}

QVariantMap matchFor(int item, QVariantMap more = {})
{
    more.insert(KeychainKey::Class, KeychainKey::ClassGenericPassword);
    more.insert(KeychainKey::Account, KeychainCrashValues::account(item));
    return more;
}

// Generation 0 adds the item, later ones update it.
bool save(Keychain &keychain, int item, qint64 generation)
{
    report('B', item, generation);
    const QVariantMap values {
        {KeychainKey::Generic, KeychainCrashValues::generic(item, generation)},
        {KeychainKey::ValueData, KeychainCrashValues::data(item, generation)}};
    const int status = generation == 0 ? keychain.addItem(matchFor(item, values))
                                       : keychain.updateItems(matchFor(item), values);
    if (status == KeychainStatus::Success)
        report('C', item, generation);
    return status == KeychainStatus::Success;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const int items = std::max(QByteArray(argv[2]).toInt(), 1);
    Keychain keychain(QString::fromLocal8Bit(argv[1]));
    QList<qint64> generations(items, 0);
    for (int item = 0; item < items; ++item) {
        QVariant found;
        const QVariantMap query = matchFor(item, {{KeychainKey::ReturnAttributes, true}});
        if (keychain.copyMatching(query, &found) == KeychainStatus::Success)
            generations[item] = KeychainCrashValues::generationOf(
                found.toMap().value(KeychainKey::Generic).toByteArray(), item);
        else if (!save(keychain, item, 0))
            return 1;
    }
    report('R', 0, 0);
    for (qint64 step = 0;; ++step) {
        const int item = int(step % items);
        if (!save(keychain, item, ++generations[item]))
            return 1;
    }
}
