#include "PXFilePathVM.h"

#include "AppPaths.h"

QString PXFilePathVM::documentFolder()
{
    if (m_documentFolder.isNull())
        m_documentFolder = AppPaths::documentsFolder();
    return m_documentFolder;
}

QString PXFilePathVM::plistFolder()
{
    if (m_plistFolder.isNull()) {
        m_plistFolder = documentFolder() + QStringLiteral("/Plist");
        // A folder that cannot be made is not an error here: the path is
        // returned and a later write to it fails.
        AppPaths::ensurePrivateFolder(m_plistFolder);
    }
    return m_plistFolder;
}

QString PXFilePathVM::dbFolder()
{
    if (m_dbFolder.isNull()) {
        m_dbFolder = documentFolder() + QStringLiteral("/DB");
        AppPaths::ensurePrivateFolder(m_dbFolder);
    }
    return m_dbFolder;
}

QString PXFilePathVM::hideRuleFile()
{
    if (m_hideRuleFile.isNull())
        m_hideRuleFile = plistFolder() + QStringLiteral("/hideRule.plist");
    return m_hideRuleFile;
}

QString PXFilePathVM::loginTypeFile()
{
    if (m_loginTypeFile.isNull())
        m_loginTypeFile = plistFolder() + QStringLiteral("/loginType.plist");
    return m_loginTypeFile;
}
