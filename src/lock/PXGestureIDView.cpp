#include "PXGestureIDView.h"

#include "Clock.h"
#include "PXColor.h"
#include "PXFont.h"
#include "PXLinkButton.h"
#include "PXMessageView.h"
#include "PXModalPresenter.h"
#include "PXPasswordVM.h"
#include "UserDefaults.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace {

const QColor grey = PXColor::promptGrey();
const QColor red = PXColor::promptRed();

const QString drawText = QStringLiteral("请绘制解锁图案");

constexpr int padInset = 100;
constexpr int labelHeight = 30;
constexpr int buttonWidth = 200;
constexpr int buttonHeight = 50;
constexpr int buttonBottom = 20;

UserDefaults &defaults()
{
    return UserDefaults::standardUserDefaults();
}

// What was left after the last wrong pattern; 5 when none was stored.
int storedCount()
{
    const QVariant stored = defaults().objectForKey(PXGestureIDView::limitCountKey);
    if (!stored.isValid())
        return PXGestureIDView::attempts;
    const qint64 count = defaults().integerForKey(PXGestureIDView::limitCountKey);
    return int(std::clamp<qint64>(count, 0, PXGestureIDView::attempts));
}

} // namespace

PXGestureIDView::PXGestureIDView(QWidget *parent)
    : PXBaseView(parent)
    , m_passwordVM(PXPasswordVM::sharedPasswordVM())
    , m_passwordHandle(m_passwordVM->isExist() ? PXPasswordHandleVerify : PXPasswordHandleSet)
    , m_count(storedCount())
    , m_label(new QLabel(drawText, this))
    , m_gestureView(new PXGestureView(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_label->setFont(PXFont::fontWithSize(14));
    m_label->setAlignment(Qt::AlignCenter);
    setPrompt(drawText, grey);

    m_gestureView->setDelegate(this);
    m_gestureView->setPasswordHandle(m_passwordHandle);
    setFocusProxy(m_gestureView);

    if (m_passwordHandle == PXPasswordHandleVerify) {
        m_manageBtn = new PXLinkButton(QStringLiteral("密码管理"), this);
        connect(m_manageBtn, &QPushButton::clicked, this, &PXGestureIDView::addActionSheet);
    }

    PXTimerInstance *timer = PXTimerInstance::shareInstance();
    timer->setDelegate(this);
    timer->startTimer();
}

void PXGestureIDView::resizeEvent(QResizeEvent *)
{
    const int w = width();
    const int h = height();
    const int side = std::max(0, w - padInset);
    m_label->setGeometry(0, (h - side) / 4, w, labelHeight);
    m_gestureView->setGeometry((w - side) / 2, (h - side) / 2, side, side);
    m_gestureView->setWidth(side);
    if (m_manageBtn)
        m_manageBtn->setGeometry((w - buttonWidth) / 2, h - buttonBottom - buttonHeight,
                                 buttonWidth, buttonHeight);
}

void PXGestureIDView::setPrompt(const QString &text)
{
    m_label->setText(text);
    // The pad is where a screen reader's user is; it reads the prompt.
    m_gestureView->setAccessibleName(text);
}

void PXGestureIDView::setPrompt(const QString &text, const QColor &colour)
{
    QPalette pal = m_label->palette();
    pal.setColor(QPalette::WindowText, colour);
    m_label->setPalette(pal);
    setPrompt(text);
}

void PXGestureIDView::setInputEnabled(bool enabled)
{
    m_gestureView->setEnabled(enabled);
    if (m_manageBtn)
        m_manageBtn->setEnabled(enabled);
}

void PXGestureIDView::storeCount(int count, bool flush)
{
    m_count = count;
    defaults().setObject(count, limitCountKey);
    if (flush)
        defaults().synchronize();
}

void PXGestureIDView::handlePasswordResult(qint64 result)
{
    switch (result) {
    case PXLockResultPatternRecorded:
        setPrompt(QStringLiteral("请再绘制解锁图案"), grey);
        break;
    case PXLockResultPasswordSet:
        storeCount(attempts, true);
        setPrompt(QStringLiteral("设置成功"), grey);
        PXMessageView::sharedWithSuperview(this, QStringLiteral("设置成功"));
        if (m_delegate)
            m_delegate->gestureIDResult(PXLockResultPasswordSet);
        break;
    case PXLockResultPatternMismatch:
        setPrompt(QStringLiteral("亲，与上一次绘制不一致，请重新绘制"), red);
        break;
    case PXLockResultVerified:
        storeCount(attempts, true);
        if (m_passwordHandle == PXPasswordHandleModify) {
            setPrompt(QStringLiteral("请绘制新的解锁图案"), grey);
            m_gestureView->setPasswordHandle(PXPasswordHandleSet);
        } else {
            setPrompt(QStringLiteral("验证成功"), grey);
            if (m_delegate)
                m_delegate->gestureIDResult(PXLockResultVerified);
        }
        break;
    case PXLockResultVerifyFailed:
        wrongPattern();
        break;
    default:
        break;
    }
}

void PXGestureIDView::wrongPattern()
{
    if (m_count >= 2) {
        storeCount(m_count - 1, true);
        setPrompt(QStringLiteral("密码错误，还可以再输入%1次").arg(m_count), red);
        return;
    }
    // startTiming writes the freeze's start and flushes both together, so
    // the store never holds a freeze without its spent attempts.
    storeCount(0, false);
    startTiming();
    if (m_delegate)
        m_delegate->cannotModifyGesturePassword();
}

void PXGestureIDView::addActionSheet()
{
    PXModalPresenter::showActionSheet(
        this,
        {QStringLiteral("修改手势密码"), QStringLiteral("忘记手势密码"),
         QStringLiteral("切换其他账号")},
        QStringLiteral("取消"), [this](int index) { actionSheetClickedButtonAtIndex(index); });
}

void PXGestureIDView::actionSheetClickedButtonAtIndex(int index)
{
    switch (index) {
    case 0:
        m_passwordHandle = PXPasswordHandleModify;
        setPrompt(QStringLiteral("请输入原手势密码"), grey);
        if (m_delegate)
            m_delegate->didClickModifyGesturePassword();
        break;
    case 1:
        if (m_delegate)
            m_delegate->forgetGestureID();
        break;
    case 2:
        if (m_delegate)
            m_delegate->changeAccount();
        break;
    default:
        break;
    }
}

void PXGestureIDView::startTiming()
{
    defaults().setDouble(Clock::now(), PXTimerInstance::limitBeganTimeKey);
    defaults().synchronize();
    PXTimerInstance *timer = PXTimerInstance::shareInstance();
    timer->startTimer();
    timer->setDelegate(this);
    setPrompt(QStringLiteral("请%1分钟后重试").arg(PXTimerInstance::freezeMinutes));
    setInputEnabled(false);
}

void PXGestureIDView::timerDidStart()
{
    setInputEnabled(false);
}

void PXGestureIDView::timerDidStop()
{
    // Only the end of a freeze gives the attempts back; a screen built when
    // no freeze runs keeps what the last wrong pattern left.
    if (m_count < 1)
        storeCount(attempts, true);
    setInputEnabled(true);
    setPrompt(drawText);
}

void PXGestureIDView::timerDidChangedWithMin(qint64 min)
{
    setPrompt(QStringLiteral("请%1分钟后重试").arg(min));
}
