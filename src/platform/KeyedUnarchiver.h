#pragma once

#include "ArchivedObject.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Reads back what KeyedArchiver writes: a root list of objects of one
// expected class. Anything else (not a binary plist, another archiver, a
// different root, members of unexpected types, strings with NUL, files over
// the size cap) yields nullopt; nothing here trusts the file.
class KeyedUnarchiver
{
public:
    static constexpr qint64 maximumArchiveSize = 1024 * 1024;

    static std::optional<QList<ArchivedObject>> unarchiveRootList(const QByteArray &data,
                                                                  const QString &expectedClass);
    static std::optional<QList<ArchivedObject>>
    unarchiveRootListFromFile(const QString &path, const QString &expectedClass);
};
