#pragma once

#include "PXBaseVM.h"

#include <QString>

// Paths of the app's storage folders and files, each computed once per
// instance on first read. Reading plistFolder or dbFolder creates the folder.
class PXFilePathVM : public PXBaseVM
{
public:
    QString documentFolder();
    QString plistFolder();
    QString dbFolder();
    QString hideRuleFile();
    QString loginTypeFile();

    void setDocumentFolder(const QString &path) { m_documentFolder = path; }
    void setPlistFolder(const QString &path) { m_plistFolder = path; }
    void setDbFolder(const QString &path) { m_dbFolder = path; }
    void setHideRuleFile(const QString &path) { m_hideRuleFile = path; }
    void setLoginTypeFile(const QString &path) { m_loginTypeFile = path; }

private:
    QString m_documentFolder;
    QString m_plistFolder;
    QString m_dbFolder;
    QString m_hideRuleFile;
    QString m_loginTypeFile;
};
