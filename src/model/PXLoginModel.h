#pragma once

#include "ArchivedObject.h"
#include "PXBaseModel.h"

#include <QString>
#include <memory>

// One kind of app lock: its display name, whether it is switched on, and the
// lock type it stands for (1 fingerprint, 2 gesture).
class PXLoginModel : public PXBaseModel
{
    Q_OBJECT
    Q_PROPERTY(QString key READ key WRITE setKey)
    Q_PROPERTY(bool value READ value WRITE setValue)
    Q_PROPERTY(qint64 type READ type WRITE setType)
public:
    static constexpr char archivedClassName[] = "PXLoginModel";
    // The lock types this build knows.
    static constexpr qint64 fingerprintType = 1;
    static constexpr qint64 gestureType = 2;
    static constexpr bool isKnownType(qint64 type)
    {
        return type == fingerprintType || type == gestureType;
    }

    PXLoginModel() = default;
    static std::unique_ptr<PXLoginModel> initWithKey(const QString &key, bool value, qint64 type);

    // Null when a member has the wrong type: such an archive is not ours.
    static std::unique_ptr<PXLoginModel> initWithCoder(const ArchivedObject &coder);
    ArchivedObject encodeWithCoder() const;

    QString key() const { return m_key; }
    void setKey(const QString &key) { m_key = key; }
    bool value() const { return m_value; }
    void setValue(bool value) { m_value = value; }
    qint64 type() const { return m_type; }
    void setType(qint64 type) { m_type = type; }

private:
    QString m_key;
    bool m_value = false;
    qint64 m_type = 0;
};
