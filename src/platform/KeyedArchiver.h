#pragma once

#include "ArchivedObject.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Writes a list of objects the way the platform's keyed archiver does: a
// binary property list with "$archiver", "$version", "$top" {root: UID} and
// "$objects" (starting with "$null"), the list itself archived as an
// NSMutableArray with "NS.objects".
class KeyedArchiver
{
public:
    static QByteArray archivedDataWithRootList(const QList<ArchivedObject> &objects);
    // Atomic: the file is either the old archive or the new one. Creates the
    // file 0600. Returns false (and leaves the old file) when it cannot write.
    static bool archiveRootList(const QList<ArchivedObject> &objects, const QString &path);
};
