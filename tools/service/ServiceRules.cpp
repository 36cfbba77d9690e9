#include "ServiceRules.h"

#include "CXBase64.h"

#include <QLocale>
#include <cmath>

namespace {

const QString bindPurpose = QStringLiteral("bind");
const QString gesturePurpose = QStringLiteral("gesture");

} // namespace

ServiceRules::ServiceRules(ServiceStore &store, const CryptorTools &webLoginKey)
    : m_store(store)
    , m_codes(store, m_clock)
    , m_merchant(store, m_clock)
    , m_webLogin(webLoginKey)
{ }

ServiceAnswer ServiceRules::verifyPhoneBindState(const QString &phone, const QString &device)
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    const auto binding = m_store.binding(phone);
    if (!binding)
        return ServiceAnswer::reply(0, QStringLiteral("该手机号尚未绑定"));
    if (binding->device == device)
        return ServiceAnswer::reply(1, QStringLiteral("该手机号已绑定本设备"));
    return ServiceAnswer::reply(
        2, QStringLiteral("该手机号已绑定其他设备，继续绑定将解除原设备的绑定，是否继续？"));
}

ServiceAnswer ServiceRules::getAuthCode(const QString &phone, const QString &device)
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    if (device.isEmpty())
        return ServiceAnswer::reply(-1, QStringLiteral("设备标识不能为空"));
    return issueAnswer(m_codes.issue(phone, bindPurpose, device));
}

ServiceAnswer ServiceRules::checkAuthCode(const QString &phone, const QString &device,
                                          const QString &key)
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    const auto verdict = m_codes.check(phone, bindPurpose, key, device);
    if (verdict != MessageCodeDesk::Verdict::Accepted)
        return refusedCheck(verdict);
    if (!m_store.saveBinding({phone, device, deriveKey(phone, key, device), -1}))
        return ServiceAnswer::reply(9, QStringLiteral("绑定失败，请稍后再试"));
    return ServiceAnswer::reply(0, QStringLiteral("绑定成功"));
}

ServiceAnswer ServiceRules::getServerTime() const
{
    return ServiceAnswer::reply(0, double(m_clock.nowMilliseconds()));
}

ServiceAnswer ServiceRules::isShowPellin(const QString &phone) const
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    return ServiceAnswer::reply(m_store.pellinCode(phone), QString());
}

ServiceAnswer ServiceRules::sendGesturePWDAuthCode(const QString &phone)
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    const auto binding = m_store.binding(phone);
    if (!binding)
        return notBound();
    return issueAnswer(m_codes.issue(phone, gesturePurpose, binding->device));
}

ServiceAnswer ServiceRules::checkGesturePWDAuthCode(const QString &phone, const QString &key)
{
    if (!isPhoneNumber(phone))
        return malformedPhone();
    const auto binding = m_store.binding(phone);
    if (!binding)
        return notBound();
    const auto verdict = m_codes.check(phone, gesturePurpose, key, binding->device);
    if (verdict != MessageCodeDesk::Verdict::Accepted)
        return refusedCheck(verdict);
    return ServiceAnswer::reply(0, QStringLiteral("验证成功"));
}

ServiceAnswer ServiceRules::merchantVerifyCode(const QString &phone, const QString &code)
{
    const MerchantVerifier::Result result = m_merchant.verify(phone, code);
    const int answerCode = result.verdict == MerchantVerifier::Verdict::Accepted ? 0
        : result.verdict == MerchantVerifier::Verdict::Throttled                 ? throttledCode
                                                                                 : 1;
    return ServiceAnswer::reply(answerCode, merchantText(result));
}

ServiceAnswer ServiceRules::webLogin(const QString &win, const QString &token)
{
    const QString failed = QStringLiteral("登录失败");
    if (win != QLatin1String("m"))
        return ServiceAnswer::html(400, failed, QStringLiteral("不支持的登录方式"));
    const auto key = m_webLogin.readToken(token);
    if (!key || !isPhoneNumber(key->phone))
        return ServiceAnswer::html(400, failed, QStringLiteral("登录链接无效"));
    const MerchantVerifier::Result result = m_merchant.verify(key->phone, key->code);
    switch (result.verdict) {
    case MerchantVerifier::Verdict::Accepted:
        return ServiceAnswer::html(200, QStringLiteral("登录成功"),
                                   QStringLiteral("手机号：%1").arg(key->phone));
    case MerchantVerifier::Verdict::Throttled:
        return ServiceAnswer::html(429, failed, merchantText(result));
    default:
        return ServiceAnswer::html(403, failed, merchantText(result));
    }
}

ServiceAnswer ServiceRules::storePage(const QString &app)
{
    return ServiceAnswer::html(200, QStringLiteral("应用未安装"),
                               QStringLiteral("本机尚未安装 %1，请先下载安装。").arg(app));
}

QString ServiceRules::merchantText(const MerchantVerifier::Result &result)
{
    switch (result.verdict) {
    case MerchantVerifier::Verdict::Accepted:
        return QStringLiteral("动态码验证通过");
    case MerchantVerifier::Verdict::NotBound:
        return QStringLiteral("该手机号未绑定动态码");
    case MerchantVerifier::Verdict::Replayed:
        return QStringLiteral("动态码已使用，请等待新的动态码");
    case MerchantVerifier::Verdict::Throttled:
        return QStringLiteral("动态码错误次数过多，请%1秒后再试").arg(result.retryAfter);
    case MerchantVerifier::Verdict::Wrong:
        break;
    }
    return QStringLiteral("动态码错误");
}

ServiceAnswer ServiceRules::lastCode(const QString &phone) const
{
    const auto code = m_store.lastMessageCode(phone);
    if (!code)
        return ServiceAnswer::reply(1, QString());
    return ServiceAnswer::reply(0, code->code);
}

ServiceAnswer ServiceRules::setPellin(const QString &phone, const QString &code)
{
    bool ok = false;
    const int value = code.toInt(&ok);
    if (!isPhoneNumber(phone) || !ok || !m_store.setPellinCode(phone, value))
        return ServiceAnswer::refusal(400, -2, QStringLiteral("参数错误"));
    return ServiceAnswer::reply(0, QString());
}

ServiceAnswer ServiceRules::advanceClock(const QString &seconds)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(seconds, &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 1e9)
        return ServiceAnswer::refusal(400, -2, QStringLiteral("参数错误"));
    m_clock.advance(value);
    return ServiceAnswer::reply(0, double(m_clock.nowMilliseconds()));
}

bool ServiceRules::isPhoneNumber(const QString &phone)
{
    if (phone.size() != 11)
        return false;
    for (const QChar c : phone) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QByteArray ServiceRules::deriveKey(const QString &phone, const QString &code, const QString &device)
{
    return CXBase64::encodeData(
        (phone + QLatin1Char(',') + code + QLatin1Char(',') + device).toUtf8());
}

ServiceAnswer ServiceRules::malformedPhone()
{
    return ServiceAnswer::reply(-1, QStringLiteral("请输入正确的11位手机号"));
}

ServiceAnswer ServiceRules::notBound()
{
    return ServiceAnswer::reply(3, QStringLiteral("该手机号尚未绑定，请先绑定"));
}

ServiceAnswer ServiceRules::issueAnswer(const MessageCodeDesk::Issue &issue)
{
    if (issue.sent)
        return ServiceAnswer::reply(0, QStringLiteral("验证码已发送，请注意查收"));
    if (issue.waitSeconds > 0)
        return ServiceAnswer::reply(
            1, QStringLiteral("验证码发送过于频繁，请%1秒后再试").arg(issue.waitSeconds));
    return ServiceAnswer::reply(9, QStringLiteral("验证码发送失败，请稍后再试"));
}

ServiceAnswer ServiceRules::refusedCheck(MessageCodeDesk::Verdict verdict)
{
    switch (verdict) {
    case MessageCodeDesk::Verdict::Expired:
        return ServiceAnswer::reply(2, QStringLiteral("验证码已过期，请重新获取"));
    case MessageCodeDesk::Verdict::TooManyAttempts:
        return ServiceAnswer::reply(2, QStringLiteral("验证码错误次数过多，请重新获取"));
    case MessageCodeDesk::Verdict::NoCode:
        return ServiceAnswer::reply(1, QStringLiteral("请先获取验证码"));
    case MessageCodeDesk::Verdict::Wrong:
    case MessageCodeDesk::Verdict::Accepted:
        break;
    }
    return ServiceAnswer::reply(1, QStringLiteral("验证码错误，请重新输入"));
}
