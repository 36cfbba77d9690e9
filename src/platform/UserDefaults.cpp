#include "UserDefaults.h"

#include "AppPaths.h"

#include <QFileInfo>
#include <cmath>

UserDefaults &UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(AppPaths::dataRoot() + QStringLiteral("/defaults.ini"));
    return defaults;
}

UserDefaults::UserDefaults(const QString &filePath)
{
    // The defaults live in the data root itself, which may be a folder the
    // user chose: create it private, but leave an existing one as it is.
    AppPaths::ensureFolder(QFileInfo(filePath).absolutePath());
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

UserDefaults::~UserDefaults()
{
    synchronize();
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    return m_settings->value(key);
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.isValid() ? v.toString() : QString();
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

double UserDefaults::doubleForKey(const QString &key) const
{
    bool ok = false;
    const double d = objectForKey(key).toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0.0;
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return objectForKey(key).toBool();
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    bool ok = false;
    const qint64 n = objectForKey(key).toLongLong(&ok);
    return ok ? n : 0;
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    m_settings->setValue(key, value);
}

void UserDefaults::setDouble(double value, const QString &key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setBool(bool value, const QString &key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    m_settings->remove(key);
}

bool UserDefaults::synchronize()
{
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    if (QFileInfo::exists(m_settings->fileName()))
        AppPaths::makePrivateFile(m_settings->fileName());
    return ok;
}

QString UserDefaults::filePath() const
{
    return m_settings->fileName();
}
