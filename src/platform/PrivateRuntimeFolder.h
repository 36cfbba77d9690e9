#pragma once

#include <QString>

// The folder for this user's short-lived files of the app: the socket of the
// running instance and the pages that hand URLs to the browser. It lives in
// the session's $XDG_RUNTIME_DIR (per user, 0700, emptied at logout), or in
// the data folder when the session has none. Another user must never be able
// to place, read or replace anything in it.
class PrivateRuntimeFolder
{
public:
    // The folder, created 0700 when missing. Empty, with problem set, when
    // the path exists but is not a private folder of this user.
    static QString path(QString *problem = nullptr);
    // What lies at path: nothing, a socket of this user, or anything else,
    // which someone else put there and which must not be trusted or removed.
    enum class Entry { Absent, OwnSocket, Foreign };
    static Entry socketEntry(const QString &path);
};
