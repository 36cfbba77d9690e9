#include "PXCodeController.h"

#include "Application.h"
#include "CryptorTools.h"
#include "KLCryptor.h"
#include "KelvoConfig.h"
#include "OTPAuthURL.h"
#include "OTPCountdownClock.h"
#include "PXAuth.h"
#include "PXMessageView.h"
#include "PXNavigationController.h"
#include "PXNoticeLabel.h"
#include "PXScreenCreators.h"
#include "PXServiceAPI.h"
#include "PXSettingController.h"
#include "TOTPCodeCell.h"
#include "TOTPGenerator.h"
#include "UserDefaults.h"

#include <QLabel>
#include <QTimer>

namespace {

constexpr double noticeHeight = 60;
constexpr int keyringRetryMs = 5000;
constexpr double rowHeight = 80;
constexpr double clockSide = 150;
constexpr double spacing = 30;
constexpr double tileWidth = 80;
constexpr double tileHeight = 110;

enum LoginPort : qint64 { webLoginPort = 0, mainAppLoginPort = 1, pellinLoginPort = 2 };

} // namespace

PXCodeController::PXCodeController(QWidget *parent)
    : PXBaseController(parent)
{ }

void PXCodeController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("Kelvo Ostrel"));
    m_authURL = PXAuth::sharedAuth().authURL();
    waitForKeyring();
    addLeftBarButton(QStringLiteral("绑定"));
    addRightBarButton(QStringLiteral("设置"));
    PXReachability::sharedReachability().setDelegate(this);
}

void PXCodeController::viewDidAppear()
{
    PXAuth::sharedAuth().getServerTime();
    if (m_table)
        m_table->reloadData();
    setEntrance();
}

void PXCodeController::networkReachable()
{
    if (!isVisible())
        return;
    PXAuth::sharedAuth().getServerTime();
    setEntrance();
}

// The account is bound but its keychain is locked: look again every few
// seconds, and show the code as soon as the keyring is unlocked.
void PXCodeController::waitForKeyring()
{
    if (m_authURL || !PXAuth::sharedAuth().accountUnavailable())
        return;
    QTimer::singleShot(keyringRetryMs, this, [this] {
        m_authURL = PXAuth::sharedAuth().authURL();
        if (m_authURL && m_content)
            loadingView();
        waitForKeyring();
    });
}

QString PXCodeController::key()
{
    m_key = m_authURL ? m_authURL->name() + QLatin1Char('&') + m_authURL->otpCode() : QString();
    return m_key;
}

// Without a stored phone number there is nothing to ask about; the stored
// answer decides as it does when the service cannot be reached.
void PXCodeController::setEntrance()
{
    const QString phone = UserDefaults::standardUserDefaults().stringForKey(PXAuth::phoneNumberKey);
    if (phone.isEmpty()) {
        useStoredEntrance();
        return;
    }
    const QPointer<PXCodeController> self(this);
    PXServiceAPI::isShowPellin(
        phone,
        [self](const PXServiceAPI::Payload &payload) {
            if (self)
                self->entranceAnswered(PXServiceAPI::readCode(payload));
        },
        [self](const QString &) {
            if (self)
                self->useStoredEntrance();
        });
}

void PXCodeController::entranceAnswered(int code)
{
    if (code == 0)
        m_hidePellin = false;
    else if (code == 2)
        m_hidePellin = true;
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(m_hidePellin, hidePellinKey);
    defaults.synchronize();
    loadingView();
}

void PXCodeController::useStoredEntrance()
{
    m_hidePellin = UserDefaults::standardUserDefaults().boolForKey(hidePellinKey);
    loadingView();
}

void PXCodeController::loadingView()
{
    delete m_content.data();
    m_content = new QWidget(this);
    m_content->setAttribute(Qt::WA_TranslucentBackground);

    const bool keyringLocked = !m_authURL && PXAuth::sharedAuth().accountUnavailable();
    m_label = new PXNoticeLabel(
        keyringLocked ? QStringLiteral("桌面密钥环已锁定或不可用，解锁后即显示验证码")
                      : QStringLiteral("亲，为了您的账户安全，请不要将密码告诉他人！"),
        m_content);

    m_table = new PXTableView(m_content);
    m_table->setBackgroundColor(Qt::white);
    m_table->setScrollEnabled(false);
    m_table->setShowsSeparators(false);
    m_table->setRowHeight(int(rowHeight));
    m_table->setDataSource(this);
    m_table->reloadData();

    m_clock
        = new OTPCountdownClock(QRect(0, 0, 200, 200), TOTPGenerator::defaultPeriod(), m_content);
    m_webLogin = addLoginButton(QStringLiteral("Kelvom.png"), QStringLiteral("浏览器登录"), 70,
                                webLoginPort);
    m_pellinLogin = addLoginButton(QStringLiteral("KelvoPellin.png"), QStringLiteral("Pellin登录"),
                                   72, pellinLoginPort);
    m_pellinLogin->setVisible(!m_hidePellin);
    layoutContent();
    m_content->show();
}

PXLoginButton *PXCodeController::addLoginButton(const QString &image, const QString &caption,
                                                double imageWidth, qint64 port)
{
    auto *button = new PXLoginButton(image, caption, imageWidth, m_content);
    button->setLoginPort(port);
    button->setDelegate(this);
    connect(button, &PXLoginButton::clicked, this, [this, port] { loginButtonClicked(port); });
    return button;
}

QWidget *PXCodeController::cellForRow(int)
{
    auto *cell = new TOTPCodeCell;
    if (m_authURL)
        cell->setAuthURL(m_authURL);
    // A new service offset may have moved the clock into another period.
    connect(&PXAuth::sharedAuth(), &PXAuth::serverTimeReplied, cell, &TOTPCodeCell::catchUp);
    return cell;
}

TOTPCodeCell *PXCodeController::codeCell() const
{
    return m_table ? qobject_cast<TOTPCodeCell *>(m_table->cellForRow(0)) : nullptr;
}

QList<PXLoginButton *> PXCodeController::loginButtons() const
{
    QList<PXLoginButton *> shown;
    for (PXLoginButton *button : {m_webLogin, m_pellinLogin}) {
        if (button && !button->isHidden())
            shown.append(button);
    }
    return shown;
}

// Both tap paths of a tile (the image and the tile itself) end here.
void PXCodeController::loginButtonClicked(qint64 loginPort)
{
    switch (loginPort) {
    case webLoginPort:
        loginM();
        break;
    case mainAppLoginPort:
        loginApp();
        break;
    case pellinLoginPort:
        loginPellin();
        break;
    default:
        break;
    }
}

// The browser gets the token in the URL-safe alphabet; the padding stays.
void PXCodeController::loginM()
{
    QString token = loginToken(KLCryptor::m_getRSAPublicTool());
    if (token.isNull())
        return;
    token.replace(QLatin1Char('+'), QLatin1Char('-')).replace(QLatin1Char('/'), QLatin1Char('_'));
    Application::sharedApplication().openURL(
        QUrl(QLatin1String(KelvoConfig::webLoginBase)
             + QStringLiteral("/pso/vipostrellogin?win=m&token=") + token));
}

void PXCodeController::loginApp()
{
    openPartnerApp(QStringLiteral("lumo://?"), KLCryptor::app_getRSAPublicTool(),
                   KelvoConfig::mainStoreURL);
}

void PXCodeController::loginPellin()
{
    openPartnerApp(QStringLiteral("corvix://?"), KLCryptor::Pellin_getRSAPublicTool(),
                   KelvoConfig::partnerStoreURL);
}

// The partner apps take the token as the whole query, exactly as produced.
void PXCodeController::openPartnerApp(const QString &scheme, const CryptorTools *tool,
                                      const char *storeURL)
{
    const QString token = loginToken(tool);
    if (token.isNull())
        return;
    Application &application = Application::sharedApplication();
    if (!application.openURL(QUrl(scheme + token)))
        application.openURL(QUrl(QLatin1String(storeURL)));
}

// Opening a URL with an empty token would look like a login to the merchant
// and fail at the other end, so the login stops here and says so.
QString PXCodeController::loginToken(const CryptorTools *tool)
{
    const QString loginKey = key();
    const QString token = loginKey.isNull() ? QString() : tool->RSAEncryptString(loginKey);
    if (token.isEmpty()) {
        PXMessageView::sharedWithSuperview(this, QStringLiteral("登录失败，请稍后再试"));
        return {};
    }
    return token;
}

// Binding lives in a sibling library: it is reached through the screen table.
void PXCodeController::clickLeftBarButton()
{
    if (PXNavigationController *navigation = navigationController())
        navigation->pushViewController(PXScreenCreators::create(PXScreenCreators::Screen::Bind),
                                       true);
}

void PXCodeController::clickRightBarButton()
{
    if (PXNavigationController *navigation = navigationController())
        navigation->pushViewController(new PXSettingController(), true);
}

QList<QRectF> PXCodeController::loginButtonFrames(double width, double top, bool hidePellin)
{
    if (hidePellin)
        return {QRectF((width - tileWidth) / 2, top, tileWidth, tileHeight)};
    const double gap = (width - 2 * tileWidth) / 3;
    return {QRectF(gap, top, tileWidth, tileHeight),
            QRectF(width - gap - tileWidth, top, tileWidth, tileHeight)};
}

void PXCodeController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    layoutContent();
}

// On the phone the notice starts 64 points down, just under the status strip
// and the bar; here the bar is the top of the window, so it starts under it.
void PXCodeController::layoutContent()
{
    if (!m_content)
        return;
    m_content->setGeometry(rect());
    const double w = width();
    const double top = frame().top();
    m_label->setGeometry(QRectF(0, top, w, noticeHeight).toRect());
    m_table->setGeometry(QRectF(0, top + noticeHeight, w, rowHeight).toRect());
    const double clockTop = top + noticeHeight + rowHeight + spacing;
    m_clock->setGeometry(QRectF((w - clockSide) / 2, clockTop, clockSide, clockSide).toRect());
    const QList<QRectF> frames = loginButtonFrames(w, clockTop + clockSide + spacing, m_hidePellin);
    m_webLogin->setGeometry(frames.first().toRect());
    m_pellinLogin->setGeometry(frames.last().toRect());
}
