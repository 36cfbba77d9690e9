#include "PXParamModel.h"

#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "ModelLog.h"
#include "PXFilePathVM.h"

PXParamModel *PXParamModel::sharedParamModel()
{
    static PXParamModel model;
    return &model;
}

PXParamModel::PXParamModel(const QString &loginTypeFile)
    : m_loginTypeFile(loginTypeFile)
{ }

QString PXParamModel::loginTypeFile()
{
    if (m_loginTypeFile.isEmpty())
        m_loginTypeFile = PXFilePathVM().loginTypeFile();
    return m_loginTypeFile;
}

qint64 PXParamModel::loginType()
{
    // Starting from 0 on every read means a lock switched off stops locking
    // at once, also when the root screen is chosen again after a URL open.
    m_loginType = 0;
    for (const auto &entry : loginTypes()) {
        if (entry->value() && PXLoginModel::isKnownType(entry->type()))
            m_loginType = entry->type();
    }
    return m_loginType;
}

qint64 PXParamModel::guardingType(bool gesturePatternStored)
{
    if (const qint64 type = loginType(); type != 0)
        return type;
    bool unfamiliar = !m_vouched;
    for (const auto &entry : loginTypes())
        unfamiliar = unfamiliar || entry->value();
    return unfamiliar && gesturePatternStored ? PXLoginModel::gestureType : 0;
}

PXParamModel::LoginTypes &PXParamModel::loginTypes()
{
    if (m_loaded)
        return m_loginTypes;
    m_loaded = true;
    const auto archived = KeyedUnarchiver::unarchiveRootListFromFile(
        loginTypeFile(), QString::fromLatin1(PXLoginModel::archivedClassName));
    LoginTypes loaded;
    for (const ArchivedObject &object : archived.value_or(QList<ArchivedObject>())) {
        std::shared_ptr<PXLoginModel> entry = PXLoginModel::initWithCoder(object);
        if (!entry) {
            loaded.clear();
            break;
        }
        loaded.append(entry);
    }
    if (archived && loaded.isEmpty() && !archived->isEmpty())
        qCWarning(lcModel) << "lock-type file is not ours; using the defaults";
    m_vouched = !loaded.isEmpty();
    m_loginTypes = loaded.isEmpty() ? defaultLoginTypes() : loaded;
    return m_loginTypes;
}

void PXParamModel::setLoginTypes(const LoginTypes &loginTypes)
{
    m_loginTypes = loginTypes;
    m_loaded = true;
    m_vouched = true;
}

bool PXParamModel::saveLoginTypes()
{
    QList<ArchivedObject> objects;
    for (const auto &entry : loginTypes())
        objects.append(entry->encodeWithCoder());
    const bool saved = KeyedArchiver::archiveRootList(objects, loginTypeFile());
    m_vouched = m_vouched || saved;
    return saved;
}

PXParamModel::LoginTypes PXParamModel::defaultLoginTypes()
{
    return {
        PXLoginModel::initWithKey(QStringLiteral("指纹密码"), false, PXLoginModel::fingerprintType),
        PXLoginModel::initWithKey(QStringLiteral("手势密码"), false, PXLoginModel::gestureType)};
}
