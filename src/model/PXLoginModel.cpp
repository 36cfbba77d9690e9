#include "PXLoginModel.h"

#include <limits>

namespace {
const QString keyKey = QStringLiteral("key");
const QString valueKey = QStringLiteral("value");
const QString typeKey = QStringLiteral("type");
} // namespace

std::unique_ptr<PXLoginModel> PXLoginModel::initWithKey(const QString &key, bool value, qint64 type)
{
    auto model = std::make_unique<PXLoginModel>();
    model->setKey(key);
    model->setValue(value);
    model->setType(type);
    return model;
}

std::unique_ptr<PXLoginModel> PXLoginModel::initWithCoder(const ArchivedObject &coder)
{
    auto model = std::make_unique<PXLoginModel>();
    // A missing member decodes as nil / NO / 0, as the platform decoder does.
    const QVariant key = coder.values.value(keyKey);
    const QVariant value = coder.values.value(valueKey);
    const QVariant type = coder.values.value(typeKey);
    if (key.isValid() && key.typeId() != QMetaType::QString)
        return nullptr;
    if (value.isValid() && value.typeId() != QMetaType::Bool)
        return nullptr;
    if (type.isValid() && type.typeId() != QMetaType::Int)
        return nullptr;
    model->setKey(key.toString());
    model->setValue(value.toBool());
    model->setType(type.toInt());
    return model;
}

ArchivedObject PXLoginModel::encodeWithCoder() const
{
    ArchivedObject coder;
    coder.className = QString::fromLatin1(archivedClassName);
    coder.classes = {coder.className, QStringLiteral("NSObject")};
    coder.values.insert(keyKey, m_key);
    coder.values.insert(valueKey, m_value);
    // Archived as a 32-bit integer; the only types are 1 and 2.
    constexpr qint64 lowest = std::numeric_limits<qint32>::min();
    constexpr qint64 highest = std::numeric_limits<qint32>::max();
    coder.values.insert(typeKey, qint32(qBound(lowest, m_type, highest)));
    return coder;
}
