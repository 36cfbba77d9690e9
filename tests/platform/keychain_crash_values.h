#pragma once

#include <QByteArray>
#include <QString>

// What the crash child writes, so the test can tell a whole value from a torn
// one: item k at generation g holds a few kilobytes that name both, and its
// generic attribute names them again.
namespace KeychainCrashValues {
inline QString account(int item)
{
    return QStringLiteral("item-") + QString::number(item);
}

inline QByteArray generic(int item, qint64 generation)
{
    return QByteArray::number(item) + ':' + QByteArray::number(generation);
}

inline QByteArray data(int item, qint64 generation)
{
    const QByteArray unit = "item " + generic(item, generation) + ';';
    return unit.repeated(6000 / unit.size() + 1);
}

// Parses "item:generation"; -1 when the text is not one.
inline qint64 generationOf(const QByteArray &genericValue, int item)
{
    const QByteArray prefix = QByteArray::number(item) + ':';
    bool ok = false;
    const qint64 generation = genericValue.mid(prefix.size()).toLongLong(&ok);
    return ok && genericValue.startsWith(prefix) ? generation : -1;
}
} // namespace KeychainCrashValues
