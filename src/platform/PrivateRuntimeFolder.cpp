#include "PrivateRuntimeFolder.h"

#include "AppPaths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool isPrivateFolder(const struct stat &st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// The session's runtime folder, when it is what the desktop promises: an
// absolute path to a folder of this user closed to everyone else.
QString sessionRuntimeFolder()
{
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat st
    { };
    if (!folder.startsWith('/') || ::lstat(folder.constData(), &st) != 0 || !isPrivateFolder(st))
        return {};
    return QFile::decodeName(folder);
}

QString notOurs(const QString &path)
{
    return QStringLiteral("%1 is not a private folder of this user (another user or a link put "
                          "it there). Remove it, or point XDG_RUNTIME_DIR at a folder of your "
                          "own, then start again.")
        .arg(path);
}
} // namespace

QString PrivateRuntimeFolder::path(QString *problem)
{
    const QString session = sessionRuntimeFolder();
    const QString folder = session.isEmpty() ? AppPaths::dataRoot() + QStringLiteral("/run")
                                             : session + QStringLiteral("/kelvo-ostrel");
    const QByteArray name = QFile::encodeName(folder);
    if (!AppPaths::ensureFolder(QFileInfo(folder).path())
        || (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)) {
        if (problem)
            *problem = QStringLiteral("cannot create %1").arg(folder);
        return {};
    }
    // lstat, not stat: a link planted in the parent must not redirect us.
    struct stat st
    { };
    const bool ours
        = ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    if (!ours || ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)) {
        if (problem)
            *problem = notOurs(folder);
        return {};
    }
    return folder;
}

PrivateRuntimeFolder::Entry PrivateRuntimeFolder::socketEntry(const QString &path)
{
    struct stat st
    { };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? Entry::Absent : Entry::Foreign;
    return S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid() ? Entry::OwnSocket : Entry::Foreign;
}
