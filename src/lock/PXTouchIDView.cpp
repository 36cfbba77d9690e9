#include "PXTouchIDView.h"

#include "LockResources.h"
#include "PXApplicationRoutes.h"
#include "PXAuthenticationPrompt.h"
#include "PXColor.h"
#include "PXFont.h"
#include "PXLinkButton.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int fingerprintSide = 80;
constexpr int labelHeight = 30;
constexpr QSize switchSize(200, 50);
} // namespace

PXTouchIDView::PXTouchIDView(QWidget *parent, std::unique_ptr<LocalAuthentication> ctx)
    : PXBaseView(parent)
    , m_fingerprint(new QPushButton(this))
    , m_label(new QLabel(QStringLiteral("点击进行指纹解锁"), this))
{
    LockResources::load();
    m_fingerprint->setIcon(QIcon(QStringLiteral(":/fingerprint.png")));
    m_fingerprint->setIconSize(QSize(fingerprintSide, fingerprintSide));
    m_fingerprint->setAccessibleName(m_label->text());
    m_fingerprint->setCursor(Qt::PointingHandCursor);
    m_fingerprint->setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; } "
                       "QPushButton:focus { background: rgba(0, 0, 0, 18); border-radius: 8px; }"));
    connect(m_fingerprint, &QPushButton::clicked, this, &PXTouchIDView::authTouchID);

    m_label->setFont(PXFont::fontWithSize(14));
    m_label->setAlignment(Qt::AlignCenter);
    showStatus(m_label->text(), grey());

    m_touchid = PXTouchID::create(ctx ? std::move(ctx) : LocalAuthentication::create());
    m_touchid->context().setPrompt(std::make_unique<PXAuthenticationPrompt>(this));
    m_touchid->setDelegate(this, this);
    m_touchid->authTouchID();
}

// A prompt still up has nobody left to answer for: the reader is released.
PXTouchIDView::~PXTouchIDView()
{
    m_touchid->setDelegate(nullptr, nullptr);
    m_touchid->cancel();
}

QColor PXTouchIDView::grey()
{
    return PXColor::promptGrey();
}

QColor PXTouchIDView::red()
{
    return PXColor::promptRed();
}

void PXTouchIDView::setPasswordHandle(qint64 handle)
{
    m_passwordHandle = handle;
    if (handle != lockHostHandle || m_switchAccount)
        return;
    m_switchAccount = new PXLinkButton(QStringLiteral("切换其他账号"), this);
    connect(m_switchAccount, &QPushButton::clicked, this, &PXTouchIDView::addActionSheet);
    m_switchAccount->show();
    resizeEvent(nullptr);
}

void PXTouchIDView::authTouchID()
{
    m_touchid->authTouchID();
}

void PXTouchIDView::resizeEvent(QResizeEvent *)
{
    const int top = height() / 2 - 100;
    m_fingerprint->setGeometry((width() - fingerprintSide) / 2, top, fingerprintSide,
                               fingerprintSide);
    m_label->setGeometry(0, top + fingerprintSide + 20, width(), labelHeight);
    if (m_switchAccount) {
        m_switchAccount->setGeometry(
            QRect(QPoint((width() - switchSize.width()) / 2, height() - 20 - switchSize.height()),
                  switchSize));
    }
}

void PXTouchIDView::touchIDNotSupport(const QString &message)
{
    showStatus(message, red());
    showAlertView(
        QStringLiteral("您尚未设置Touch ID，请在手机系统“设置>Touch ID与密码”中添加指纹"));
}

void PXTouchIDView::touchIDAuthSuccess(const QString &message)
{
    showStatus(message, grey());
    if (m_delegate)
        m_delegate->touchIDResult(PXLockResultVerified);
}

void PXTouchIDView::touchIDAuthFailure(const QString &message)
{
    showStatus(message, red());
    if (m_delegate)
        m_delegate->touchIDResult(PXLockResultVerifyFailed);
}

void PXTouchIDView::showStatus(const QString &message, const QColor &colour)
{
    m_label->setText(message);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_label->setPalette(palette);
}

// The lock host's way out: binding another account replaces the root.
void PXTouchIDView::addActionSheet()
{
    PXApplicationRoutes::shared().setBindRootController();
}
