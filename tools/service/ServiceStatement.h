#pragma once

#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized on destruction. Parameters are
// written $1, $2, ... (as PostgreSQL numbers them) and bound by those names,
// so a statement may use one value twice. Values travel as QVariant: text,
// integers, doubles, null.
class ServiceStatement
{
public:
    ServiceStatement(sqlite3 *db, const char *sql, const QVariantList &params = {});
    ~ServiceStatement();
    ServiceStatement(const ServiceStatement &) = delete;
    ServiceStatement &operator=(const ServiceStatement &) = delete;

    bool isValid() const { return m_statement != nullptr; }
    // Advances to the next row; false at the end (and after it) or on error.
    bool next();
    // Runs to completion; false on any error.
    bool run();
    QVariant column(int index) const;

private:
    bool bind(int position, const QVariant &value);

    sqlite3_stmt *m_statement = nullptr;
    bool m_failed = false;
    bool m_done = false;
};
