#pragma once

#include "PXLoginModel.h"

#include <QList>
#include <QString>
#include <memory>

// Shared parameters: the list of lock kinds and the lock type derived from
// it (0 none, 1 fingerprint, 2 gesture).
class PXParamModel
{
public:
    using LoginTypes = QList<std::shared_ptr<PXLoginModel>>;

    static PXParamModel *sharedParamModel();

    // The shared instance reads the standard lock-type file; tests pass their own.
    explicit PXParamModel(const QString &loginTypeFile = QString());

    // Recomputed on every read: the type of the last enabled entry, 0 when
    // none is enabled.
    qint64 loginType();
    void setLoginType(qint64 loginType) { m_loginType = loginType; }

    // Loaded from the lock-type file on first read; the default two entries
    // when the file is missing, unreadable, not ours, or holds no entries.
    LoginTypes &loginTypes();
    void setLoginTypes(const LoginTypes &loginTypes);

    // Writes the whole list back to the lock-type file. False when it could
    // not be written; the list in memory stands either way.
    bool saveLoginTypes();

    static LoginTypes defaultLoginTypes();
    QString loginTypeFile();

private:
    QString m_loginTypeFile;
    qint64 m_loginType = 0;
    LoginTypes m_loginTypes;
    bool m_loaded = false;
};
