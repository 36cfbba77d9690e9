#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

QString AppPaths::dataRoot()
{
    const QByteArray overridden = qgetenv("KELVO_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(overridden));
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir::cleanPath(base + QStringLiteral("/kelvo-ostrel"));
}

QString AppPaths::documentsFolder()
{
    return dataRoot() + QStringLiteral("/Documents");
}

bool AppPaths::ensureFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent == clean || !ensureFolder(parent))
        return false;
    // Created private from the start: no moment in which others can look in.
    if (::mkdir(QFile::encodeName(clean).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return QFileInfo(clean).isDir();
}

bool AppPaths::ensurePrivateFolder(const QString &path)
{
    if (!ensureFolder(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool AppPaths::makePrivateFile(const QString &path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
