#include "PXCrashReport.h"

#include "AppLog.h"
#include "CrashReporter.h"

#include <KelvoConfig.h>

void PXCrashReport::initCrashReportSDK()
{
    customizeCrashReportSDKConfig();
    CrashReporter::sharedInstance().installWithAppId(QString::fromLatin1(KelvoConfig::crashAppId));
}

void PXCrashReport::customizeCrashReportSDKConfig()
{
    CrashReporter &reporter = CrashReporter::sharedInstance();
    reporter.setChannel(QStringLiteral("测试渠道"));
    reporter.setUserId(QStringLiteral("测试用户:%1").arg(QStringLiteral("User")));
    reporter.enableBlockMonitor(true);
    reporter.setEnableSymbolicateInProcess(false);
    reporter.setCrashCallback(&PXCrashReport::crashCallback);
}

int PXCrashReport::crashCallback()
{
    CrashReporter &reporter = CrashReporter::sharedInstance();
    qCCritical(lcApp).noquote() << QStringLiteral(" %1").arg(reporter.getCrashStack());
    reporter.setUserData(QStringLiteral("用户身份"), QStringLiteral("用户名"));
    reporter.setAttachLog(QStringLiteral("业务关键日志"));
    return 1;
}
