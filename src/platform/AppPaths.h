#pragma once

#include <QString>

// Where the app keeps its files. The data root is the app's folder under the
// user's data location; KELVO_DATA_DIR overrides it so tests and the e2e
// suite can point a whole process at a temporary folder.
class AppPaths
{
public:
    static QString dataRoot();
    // Documents folder: <data root>/Documents.
    static QString documentsFolder();
    // Creates path (and parents) if needed and makes it 0700. Returns false
    // when the folder does not exist afterwards.
    static bool ensurePrivateFolder(const QString &path);
    // Makes an existing file 0600.
    static bool makePrivateFile(const QString &path);
};
