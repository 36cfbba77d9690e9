#include "KeychainStatement.h"

#include <sqlite3.h>

KeychainStatement::KeychainStatement(sqlite3 *db, const QString &sql)
{
    const QByteArray utf8 = sql.toUtf8();
    m_prepareStatus
        = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_statement, nullptr);
}

KeychainStatement::~KeychainStatement()
{
    sqlite3_finalize(m_statement);
}

bool KeychainStatement::bindAll(const QVariantList &values)
{
    if (m_prepareStatus != SQLITE_OK)
        return false;
    for (int i = 0; i < values.size(); ++i) {
        if (!bind(i + 1, values.at(i)))
            return false;
    }
    return true;
}

bool KeychainStatement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::QString: {
        // A null QString is an empty text here, never SQL NULL.
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text64(m_statement, index, utf8.isNull() ? "" : utf8.constData(),
                                 sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        // A zero-length blob and NULL differ: empty value data stays empty.
        rc = bytes.isNull() ? sqlite3_bind_null(m_statement, index)
                            : sqlite3_bind_blob64(m_statement, index, bytes.constData(),
                                                  sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::Double:
        rc = sqlite3_bind_double(m_statement, index, value.toDouble());
        break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
        rc = sqlite3_bind_int64(m_statement, index, value.toLongLong());
        break;
    default:
        rc = sqlite3_bind_null(m_statement, index);
        break;
    }
    return rc == SQLITE_OK;
}

int KeychainStatement::step()
{
    if (m_prepareStatus != SQLITE_OK)
        return m_prepareStatus;
    return sqlite3_step(m_statement);
}

bool KeychainStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QByteArray KeychainStatement::blob(int column) const
{
    if (isNull(column))
        return {};
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    if (!bytes || size <= 0)
        return QByteArray("", 0);
    return QByteArray(bytes, size);
}

QString KeychainStatement::text(int column) const
{
    if (isNull(column))
        return {};
    const auto *chars = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    if (!chars || size <= 0)
        return QStringLiteral("");
    return QString::fromUtf8(chars, size);
}

double KeychainStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

qint64 KeychainStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}
