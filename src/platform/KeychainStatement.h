#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized when it goes out of scope. Binding
// follows the QVariant's type: QString as text, QByteArray as blob (a null
// array as SQL NULL), bool and integers as integers, double as real, an
// invalid QVariant as NULL.
class KeychainStatement
{
public:
    KeychainStatement(sqlite3 *db, const QString &sql);
    ~KeychainStatement();
    KeychainStatement(const KeychainStatement &) = delete;
    KeychainStatement &operator=(const KeychainStatement &) = delete;

    // SQLITE_OK when the statement compiled.
    int prepareStatus() const { return m_prepareStatus; }
    bool bindAll(const QVariantList &values);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();

    bool isNull(int column) const;
    QByteArray blob(int column) const;
    QString text(int column) const;
    double real(int column) const;
    qint64 integer(int column) const;

private:
    bool bind(int index, const QVariant &value);

    sqlite3_stmt *m_statement = nullptr;
    int m_prepareStatus;
};
