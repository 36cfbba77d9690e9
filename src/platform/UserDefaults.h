#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// The user-defaults store: small settings in an INI file. The standard
// instance lives at <data root>/defaults.ini; tests make their own over a
// temporary file. Writes are buffered until synchronize() (or destruction).
class UserDefaults
{
public:
    static UserDefaults &standardUserDefaults();

    explicit UserDefaults(const QString &filePath);
    ~UserDefaults();

    QVariant objectForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    // Absent or unreadable values read as 0 / NO.
    double doubleForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;

    void setObject(const QVariant &value, const QString &key);
    void setDouble(double value, const QString &key);
    void setBool(bool value, const QString &key);
    void removeObjectForKey(const QString &key);

    // Writes pending changes; true when the file now holds them.
    bool synchronize();

    QString filePath() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
