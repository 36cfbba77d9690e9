#pragma once

// Configures and installs crash reporting at launch.
class PXCrashReport
{
public:
    static void initCrashReportSDK();
    static void customizeCrashReportSDKConfig();
    // What the reporter runs when the app crashes: logs the stack, attaches
    // the user data and the log text.
    static int crashCallback();
};
