#include "TOTPCodeCell.h"

#include "NotificationCenter.h"
#include "OTPAuthURL.h"
#include "PXBaseController.h"
#include "PXCodeCopier.h"
#include "PXColor.h"
#include "PXFadingLabel.h"
#include "PXFont.h"
#include "PXMessageView.h"
#include "TOTPGenerator.h"

#include <QGuiApplication>
#include <QLabel>
#include <QFocusEvent>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QShortcut>

namespace {

template<typename Label> Label *makeLabel(QWidget *parent, double points, const QColor &colour)
{
    auto *label = new Label(parent);
    label->setFont(PXFont::fontWithSize(points));
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText); // the account's name is stored data
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}

} // namespace

TOTPCodeCell::TOTPCodeCell(QWidget *parent)
    : QAbstractButton(parent)
    , m_nameLabel(makeLabel<QLabel>(this, 14, PXColor::accent()))
    , m_codeLabel(makeLabel<PXFadingLabel>(this, 34, PXColor::codeBlue()))
    , m_warningLabel(makeLabel<PXFadingLabel>(this, 34, PXColor::colorWithHex(0xF23C3C)))
{
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &TOTPCodeCell::copyCode);
    // Window-wide while the row is shown: a screen pushed over it hides it.
    auto *copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, &TOTPCodeCell::copyCode);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    QFont code = m_codeLabel->font();
    code.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    m_codeLabel->setFont(code);
    m_warningLabel->setFont(code);
    m_warningLabel->hide();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        catchUp();
                });
}

void TOTPCodeCell::setAuthURL(std::shared_ptr<OTPAuthURL> account)
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    if (m_fade)
        m_fade->stop();
    m_authURL = std::move(account);
    m_codeLabel->setOpacity(1);
    m_warningLabel->setOpacity(0);
    m_warningLabel->hide();
    m_warned = false;
    if (!m_authURL) {
        m_nameLabel->clear();
        setCode(m_codeLabel, QString());
        setCode(m_warningLabel, QString());
        return;
    }
    m_nameLabel->setText(QStringLiteral("电话号码：") + m_authURL->name());
    const QString code = m_authURL->otpCode();
    setCode(m_codeLabel, code);
    setCode(m_warningLabel, code);
    const OTPAuthURL *object = m_authURL.get();
    center.addObserver(this, OTPAuthURL::OTPAuthURLWillGenerateNewOTPWarningNotification, object,
                       [this](const Notification &note) { willGenerateNewOTP(note); });
    center.addObserver(this, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification, object,
                       [this](const Notification &) { didGenerateNewOTP(); });
}

void TOTPCodeCell::willGenerateNewOTP(const Notification &note)
{
    const int seconds = note.userInfo.value(OTPAuthURL::OTPAuthURLSecondsBeforeNewOTP).toInt();
    m_warningLabel->setOpacity(0);
    m_warningLabel->show();
    m_warned = true;
    auto *group = new QParallelAnimationGroup(this);
    group->addAnimation(fade(m_codeLabel, 0, seconds * 1000));
    group->addAnimation(fade(m_warningLabel, 1, seconds * 1000));
    run(group, QStringLiteral("Warning"), nullptr);
}

// A new-code notification for a code the row already shows (it caught up
// after the offset changed) would only blink the same digits. After a
// warning, though, the code is faded out: the next period may well have the
// same six digits, and the row must not stay red for a whole period.
void TOTPCodeCell::didGenerateNewOTP()
{
    if (m_warned)
        showNewCode();
    else
        catchUp();
}

void TOTPCodeCell::catchUp()
{
    if (m_authURL && m_codeLabel->text() != m_authURL->otpCode())
        showNewCode();
}

// The code label takes the new code at once: it is invisible until the fade
// in, and a screen reader reads the code that is valid now. The warning label
// keeps the old code while it fades out.
void TOTPCodeCell::showNewCode()
{
    const QString code = m_authURL->otpCode();
    m_warned = false;
    m_codeLabel->setOpacity(0);
    setCode(m_codeLabel, code);
    m_warningLabel->setOpacity(1);
    m_warningLabel->show();
    run(fade(m_warningLabel, 0, fadeMilliseconds), QStringLiteral("otpFadeOut"), [this, code] {
        setCode(m_warningLabel, code);
        run(fade(m_codeLabel, 1, fadeMilliseconds), QStringLiteral("otpFadeIn"), [this] {
            m_codeLabel->setOpacity(1);
            m_warningLabel->setOpacity(0);
            m_warningLabel->hide();
        });
    });
}

void TOTPCodeCell::setCode(PXFadingLabel *label, const QString &code)
{
    label->setText(code);
    label->setAccessibleName(code);
    if (label == m_codeLabel)
        setAccessibleName(code);
}

QAbstractAnimation *TOTPCodeCell::fade(PXFadingLabel *label, double to, int milliseconds)
{
    auto *animation = new QPropertyAnimation(label, "opacity");
    animation->setDuration(milliseconds);
    animation->setEndValue(to);
    return animation;
}

// One fade at a time: a new one replaces the one under way, whose follow-up
// then never runs.
void TOTPCodeCell::run(QAbstractAnimation *animation, const QString &name,
                       std::function<void()> done)
{
    if (m_fade)
        m_fade->stop();
    animation->setParent(this);
    animation->setObjectName(name);
    if (done)
        connect(animation, &QAbstractAnimation::finished, this, std::move(done));
    m_fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TOTPCodeCell::copyCode()
{
    const auto *generator
        = m_authURL ? dynamic_cast<const TOTPGenerator *>(m_authURL->generator().get()) : nullptr;
    if (!generator)
        return;
    const TOTPGenerator::Reading now = generator->currentReading();
    PXCodeCopier::shared()->copy(now.code, now.secondsLeft);
    QWidget *host = this;
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<PXBaseController *>(w)) {
            host = w;
            break;
        }
    }
    PXMessageView::sharedWithSuperview(host, QStringLiteral("已复制"));
}

void TOTPCodeCell::focusInEvent(QFocusEvent *event)
{
    m_tabbedTo = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

// Clear apart from the keyboard focus ring; the labels draw the row.
void TOTPCodeCell::paintEvent(QPaintEvent *)
{
    if (!hasFocus() || !m_tabbedTo)
        return;
    QPainter p(this);
    p.setPen(QPen(PXColor::accent(), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TOTPCodeCell::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    m_nameLabel->setGeometry(15, 8, width() - 30, 22);
    m_codeLabel->setGeometry(15, 32, width() - 30, 42);
    m_warningLabel->setGeometry(m_codeLabel->geometry());
}
