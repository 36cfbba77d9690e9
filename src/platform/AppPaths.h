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
    // Creates the missing folders of path, each 0700; folders that already
    // exist keep their mode (the data root may be a folder the user chose).
    // Returns false when the folder does not exist afterwards.
    static bool ensureFolder(const QString &path);
    // As ensureFolder, and makes path itself 0700: for the app's own folders.
    static bool ensurePrivateFolder(const QString &path);
    // Makes an existing file 0600.
    static bool makePrivateFile(const QString &path);
};
