#include "ServiceStatement.h"

#include <QDebug>
#include <sqlite3.h>

ServiceStatement::ServiceStatement(sqlite3 *db, const char *sql, const QVariantList &params)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        qWarning("kelvo-service: cannot prepare statement: %s", sqlite3_errmsg(db));
        m_statement = nullptr;
        return;
    }
    for (int i = 0; i < params.size(); ++i) {
        const QByteArray name = '$' + QByteArray::number(i + 1);
        const int position = sqlite3_bind_parameter_index(m_statement, name.constData());
        if (position == 0 || !bind(position, params.at(i)))
            m_failed = true;
    }
}

ServiceStatement::~ServiceStatement()
{
    sqlite3_finalize(m_statement);
}

bool ServiceStatement::next()
{
    // Stepping past the end would run the statement again.
    if (!m_statement || m_failed || m_done)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    m_done = true;
    m_failed = rc != SQLITE_DONE;
    return false;
}

bool ServiceStatement::run()
{
    while (next()) { }
    return m_statement && !m_failed;
}

QVariant ServiceStatement::column(int index) const
{
    switch (sqlite3_column_type(m_statement, index)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, index));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, index));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(m_statement, index)));
    }
    default:
        return QVariant();
    }
}

bool ServiceStatement::bind(int position, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(m_statement, position) == SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return sqlite3_bind_int64(m_statement, position, value.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
        return sqlite3_bind_double(m_statement, position, value.toDouble()) == SQLITE_OK;
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()),
                                 SQLITE_TRANSIENT)
            == SQLITE_OK;
    }
    }
}
