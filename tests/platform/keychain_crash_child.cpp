// Saves keychain items in a loop until killed. Before each change it prints
// "B <item> <generation>" and after the change is committed "C <item>
// <generation>", unbuffered, so whoever kills it knows which values may be in
// the store: the last committed one or the one being written.
#include "Keychain.h"
#include "keychain_crash_values.h"

#include <QString>
#include <unistd.h>
#include <vector>

namespace {
void report(char kind, int item, qint64 generation)
{
    const QByteArray line = QByteArray(1, kind) + ' ' + QByteArray::number(item) + ' '
        + QByteArray::number(generation) + '\n';
    // One write per line keeps lines whole in the pipe.
    [[maybe_unused]] const ssize_t written
        = ::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

QVariantMap matchFor(int item)
{
    return {{KeychainKey::Class, KeychainKey::ClassGenericPassword},
            {KeychainKey::Service, KeychainCrashValues::service()},
            {KeychainKey::Account, KeychainCrashValues::account(item)}};
}

qint64 currentGeneration(Keychain &keychain, int item)
{
    QVariantMap query = matchFor(item);
    query.insert(KeychainKey::ReturnAttributes, true);
    QVariant found;
    if (keychain.copyMatching(query, &found) != KeychainStatus::Success)
        return -1;
    return KeychainCrashValues::generationOf(
        found.toMap().value(KeychainKey::Generic).toByteArray(), item);
}

bool addItem(Keychain &keychain, int item)
{
    QVariantMap attributes = matchFor(item);
    attributes.insert(KeychainKey::Generic, KeychainCrashValues::generic(item, 0));
    attributes.insert(KeychainKey::ValueData, KeychainCrashValues::data(item, 0));
    report('B', item, 0);
    if (keychain.addItem(attributes) != KeychainStatus::Success)
        return false;
    report('C', item, 0);
    return true;
}

bool updateItem(Keychain &keychain, int item, qint64 generation)
{
    report('B', item, generation);
    const QVariantMap changes {
        {KeychainKey::Generic, KeychainCrashValues::generic(item, generation)},
        {KeychainKey::ValueData, KeychainCrashValues::data(item, generation)}};
    if (keychain.updateItems(matchFor(item), changes) != KeychainStatus::Success)
        return false;
    report('C', item, generation);
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const int items = QByteArray(argv[2]).toInt();
    Keychain keychain(QString::fromLocal8Bit(argv[1]));
    std::vector<qint64> generations(size_t(std::max(items, 0)), -1);
    for (int item = 0; item < items; ++item) {
        generations[size_t(item)] = currentGeneration(keychain, item);
        if (generations[size_t(item)] < 0) {
            if (!addItem(keychain, item))
                return 1;
            generations[size_t(item)] = 0;
        }
    }
    report('R', 0, 0);
    for (qint64 step = 0; items > 0; ++step) {
        const int item = int(step % items);
        const qint64 next = generations[size_t(item)] + 1;
        if (!updateItem(keychain, item, next))
            return 1;
        generations[size_t(item)] = next;
    }
    return 0;
}
