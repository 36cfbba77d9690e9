#include "PXPasswordVM.h"

#include "UserDefaults.h"

PXPasswordVM *PXPasswordVM::sharedPasswordVM()
{
    static PXPasswordVM store(UserDefaults::standardUserDefaults());
    return &store;
}

PXPasswordVM::PXPasswordVM(UserDefaults &defaults, const QString &key)
    : m_defaults(defaults)
    , m_key(key)
{ }

bool PXPasswordVM::setPassword(const QString &first, const QString &second)
{
    if (first != second)
        return false;
    m_defaults.setObject(first, m_key);
    m_defaults.synchronize();
    return true;
}

bool PXPasswordVM::verifyPassword(const QString &password) const
{
    const QString stored = m_defaults.stringForKey(m_key);
    return !stored.isNull() && stored == password;
}

void PXPasswordVM::clearPassword()
{
    m_defaults.removeObjectForKey(m_key);
    m_defaults.synchronize();
}

bool PXPasswordVM::isExist() const
{
    return !m_defaults.stringForKey(m_key).isEmpty();
}
