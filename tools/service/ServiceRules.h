#pragma once

#include "MerchantVerifier.h"
#include "MessageCodeDesk.h"
#include "ServiceAnswer.h"
#include "ServiceClock.h"
#include "ServiceStore.h"
#include "WebLogin.h"

// What each endpoint decides, apart from HTTP: binding state per phone and
// device, message codes for binding and for resetting the gesture password,
// the clock, the partner-login switch and the merchant-side code check.
// Parameters arrive present (the server checks that) but otherwise unchecked.
class ServiceRules
{
public:
    // The merchant check's answer while wrong codes keep it closed.
    static constexpr int throttledCode = -3;

    // webLoginKey: the web login's private key (not owned).
    ServiceRules(ServiceStore &store, const CryptorTools &webLoginKey);

    ServiceAnswer verifyPhoneBindState(const QString &phone, const QString &device);
    ServiceAnswer getAuthCode(const QString &phone, const QString &device);
    ServiceAnswer checkAuthCode(const QString &phone, const QString &device, const QString &key);
    ServiceAnswer getServerTime() const;
    ServiceAnswer isShowPellin(const QString &phone) const;
    ServiceAnswer sendGesturePWDAuthCode(const QString &phone);
    ServiceAnswer checkGesturePWDAuthCode(const QString &phone, const QString &key);
    ServiceAnswer merchantVerifyCode(const QString &phone, const QString &code);
    // The web login page: the token's code is checked as merchantVerifyCode
    // checks it, so a login URL works once.
    ServiceAnswer webLogin(const QString &win, const QString &token);
    // The page a partner app's store link shows: the app is not installed.
    static ServiceAnswer storePage(const QString &app);

    // For tests and development.
    ServiceAnswer lastCode(const QString &phone) const;
    ServiceAnswer setPellin(const QString &phone, const QString &code);
    ServiceAnswer advanceClock(const QString &seconds);

    static bool isPhoneNumber(const QString &phone);
    // Base64 of "phone,code,device", exactly as the app keys its account.
    static QByteArray deriveKey(const QString &phone, const QString &code, const QString &device);

private:
    static ServiceAnswer malformedPhone();
    static ServiceAnswer notBound();
    static ServiceAnswer issueAnswer(const MessageCodeDesk::Issue &issue);
    static ServiceAnswer refusedCheck(MessageCodeDesk::Verdict verdict);
    static QString merchantText(const MerchantVerifier::Result &result);

    ServiceStore &m_store;
    ServiceClock m_clock;
    MessageCodeDesk m_codes;
    MerchantVerifier m_merchant;
    WebLogin m_webLogin;
};
