#pragma once

#include <QString>

struct sqlite3;

// The SQLite file behind Keychain: opening it private (0600 in a 0700
// folder), WAL journal with full sync, the schema, and one transaction at a
// time. A damaged file (SQLite reports corruption or "not a database", the
// integrity check fails, or the schema is foreign) is never deleted: it is
// moved aside under a dated name and a fresh store is started, so it can
// still be examined later. Any other failure to open leaves the file where
// it is; the call fails and the next one tries again.
class KeychainStore
{
public:
    // Opens (lazily) folder/keychain.sqlite.
    explicit KeychainStore(const QString &folder);
    ~KeychainStore();
    KeychainStore(const KeychainStore &) = delete;
    KeychainStore &operator=(const KeychainStore &) = delete;

    static QString fileName();
    QString filePath() const;

    // The open connection, opening and checking the file first when needed;
    // null when no usable store could be opened.
    sqlite3 *connection();

    bool begin();
    // Moves the journal into the file and empties it.
    void checkpoint();
    bool commit();
    void rollback();

    // Called with the result of a failed statement; a sign of corruption
    // drops the connection so the next call re-checks (and moves aside) the
    // file.
    void noteFailure(int sqliteCode);

private:
    enum class OpenResult { Ready, Outdated, Empty, Unreadable, Failed };

    OpenResult tryOpen();
    bool prepareFile();
    bool configure();
    OpenResult checkContents();
    OpenResult checkEmpty();
    static OpenResult verdict(int sqliteCode);
    bool createSchema();
    bool upgradeSchema();
    bool changeSchema(const char *sql);
    void close();
    bool moveAside();
    bool execute(const char *sql);
    bool pragmaAnswers(const char *sql, const char *expected);
    void restrictModes() const;

    QString m_folder;
    sqlite3 *m_db = nullptr;
};
