#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

bool AppPaths::ensurePrivateFolder(const QString &path)
{
    QDir dir(path);
    if (!dir.exists() && !QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(path).exists();
}

bool AppPaths::makePrivateFile(const QString &path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
