#pragma once

#include <QFile>
#include <QString>
#include <sys/stat.h>

// The permission bits of a file or folder (e.g. 0600, 0700), -1 when absent.
inline int fileMode(const QString &path)
{
    struct stat st = {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A file's bytes, empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
