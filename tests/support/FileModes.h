#pragma once

#include <QString>
#include <sys/stat.h>

// The permission bits of a file or folder (e.g. 0600, 0700), -1 when absent.
inline int fileMode(const QString &path)
{
    struct stat st
    { };
    if (::stat(path.toLocal8Bit().constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}
