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

    // Recomputed on every read: the type of the last enabled entry of a type
    // this build knows, 0 when none is enabled.
    qint64 loginType();

    // The lock that guards the app. A list we cannot vouch for (missing,
    // unreadable, not ours, or with a kind enabled that this build does not
    // know) must not open the app while a gesture pattern is stored: that
    // pattern locks it. Only a list read as ours with every known kind off
    // means no lock.
    qint64 guardingType(bool gesturePatternStored);
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
    // The list in memory is what the file held, or what we wrote to it.
    bool m_vouched = false;
};
