#include "PXCodeForm.h"

#include "PXColor.h"
#include "PXFont.h"
#include "PXModalPresenter.h"
#include "PXNoticeLabel.h"
#include "PXTextField.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int bannerHeight = 60;
constexpr int fieldInset = 20;
constexpr int fieldRightInset = 135;
constexpr int rowTop = 25;
constexpr int rowHeight = 45;
constexpr int buttonWidth = 100;
constexpr int raisedPanelHeight = 170;
constexpr int minimumFieldFont = 8;

const QString noPhoneText = QStringLiteral("请输入手机号");
const QString badPhoneText = QStringLiteral("手机号格式不正确，请重新输入...");
const QString noCodeText = QStringLiteral("请输入验证码");
const QString badCodeText = QStringLiteral("验证码格式不正确，请重新输入...");

QPushButton *accentButton(const QString &title, int points, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFont(PXFont::fontWithSize(points));
    button->setAutoDefault(true); // Enter presses it, as Space does
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                       "border-radius: 5px; } QPushButton:pressed { background: %2; } "
                       "QPushButton:focus { border: 2px solid %2; } "
                       "QPushButton:disabled { color: rgba(255, 255, 255, 150); }")
            .arg(PXColor::accent().name(), PXColor::accentPressed().name()));
    return button;
}

PXTextField *inputField(const QString &placeholder, int tag, QWidget *parent)
{
    auto *field = new PXTextField(parent);
    field->setTag(tag);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
    return field;
}

QLabel *textLabel(const QString &text, int points, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(PXFont::fontWithSize(points));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}

// The text shrinks to fit the box rather than scroll, down to a legible size.
void shrinkToFit(PXTextField *field)
{
    const double room = field->width() - 48.0; // side padding and the clear button
    int size = 16;
    while (size > minimumFieldFont
           && QFontMetricsF(PXFont::fontWithSize(size)).horizontalAdvance(field->text()) > room)
        --size;
    if (field->font().pixelSize() != size)
        field->setFont(PXFont::fontWithSize(size));
}

} // namespace

PXCodeForm::PXCodeForm(const QString &banner, const QString &action, int bannerTop, QWidget *parent)
    : QWidget(parent)
    , m_bannerTop(bannerTop)
    , m_label(new PXNoticeLabel(banner, this))
    , m_back(new QWidget(this))
    , m_field(inputField(noPhoneText, 1, m_back))
    , m_token(inputField(noCodeText, 2, m_back))
    , m_code(accentButton(QStringLiteral("获取验证码"), 16, m_back))
    , m_hint(textLabel(QStringLiteral("亲，验证码区分大小写，可不要输错了！"), 12,
                       PXColor::promptGrey(), this))
    , m_action(accentButton(action, 18, this))
{
    m_back->setAutoFillBackground(true);
    QPalette panel = m_back->palette();
    panel.setColor(QPalette::Window, Qt::white);
    m_back->setPalette(panel);
    m_field->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    m_token->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText
                                 | Qt::ImhNoAutoUppercase);
    for (PXTextField *f : {m_field, m_token}) {
        f->setChangeFilter([](PXTextField *edited, int position, int, const QString &text) {
            return shouldChangeCharacters(edited, position, text);
        });
        connect(f, &QLineEdit::returnPressed, this, [this, f] { textFieldShouldReturn(f); });
        connect(f, &PXTextField::editingChanged, this, [f] { shrinkToFit(f); });
    }
    // Editing the number ends a running countdown: a new one may be asked for.
    connect(m_field, &PXTextField::editingChanged, this, &PXCodeForm::stopTiming);
    connect(m_code, &QPushButton::clicked, this, &PXCodeForm::clickCode);
    connect(m_action, &QPushButton::clicked, this, &PXCodeForm::clickAction);
    m_hint->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTabOrder(m_field, m_token);
    setTabOrder(m_token, m_code);
    setTabOrder(m_code, m_action);
    layoutContents();
}

void PXCodeForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}

void PXCodeForm::layoutContents()
{
    const int w = width();
    m_label->setGeometry(0, m_bannerTop, w, bannerHeight);
    const int panelTop = m_panelOverBanner ? m_bannerTop : m_bannerTop + bannerHeight;
    m_back->setGeometry(0, panelTop, w, m_panelHeight);
    const int fieldWidth = qMax(0, w - fieldInset - fieldRightInset);
    m_field->setGeometry(fieldInset, rowTop, fieldWidth, rowHeight);
    m_token->setGeometry(fieldInset, 2 * rowTop + rowHeight, fieldWidth, rowHeight);
    m_code->setGeometry(w - fieldInset - buttonWidth, rowTop, buttonWidth, rowHeight);
    if (m_clock)
        m_clock->setGeometry(m_code->geometry());
    m_hint->setGeometry(fieldInset, panelTop + m_token->geometry().bottom() + 1 + 10,
                        w - 2 * fieldInset, 20);
    m_hint->raise();
    m_action->setGeometry(fieldInset, panelTop + m_panelHeight + 20, w - 2 * fieldInset, 47);
    shrinkToFit(m_field);
    shrinkToFit(m_token);
}

// The panel stays under the banner while the keyboard leaves its resting
// place free, and otherwise covers the banner. Decided on the resting place,
// not on where the panel is now, so a keyboard that changes height while
// shown cannot make it jump back and forth.
void PXCodeForm::keyboardHeightDidChange(double height)
{
    const int restingBottom = geometry().top() + m_bannerTop + bannerHeight + m_panelHeight;
    const int hostHeight = parentWidget() ? parentWidget()->height() : this->height();
    m_panelOverBanner = !(restingBottom < hostHeight - height);
    m_panelHeight = raisedPanelHeight;
    layoutContents();
}

bool PXCodeForm::shouldChangeCharacters(const PXTextField *field, int position,
                                        const QString &replacement)
{
    // A removal never lengthens the text; refusing one past the limit would
    // leave an over-long paste that only the clear button could shorten.
    if (replacement.isEmpty())
        return true;
    const int limit = field->tag() == 1 ? phoneLength : codeLength;
    return position < limit;
}

void PXCodeForm::textFieldShouldReturn(PXTextField *field)
{
    endEditing();
    if (field == m_token)
        Q_EMIT codeReturned();
}

void PXCodeForm::endEditing()
{
    if (QWidget *focused = window()->focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
}

void PXCodeForm::mousePressEvent(QMouseEvent *event)
{
    endEditing();
    event->accept();
}

void PXCodeForm::showAlertView(const QString &message)
{
    PXModalPresenter::showAlert(this, QStringLiteral("提示"), message, {QStringLiteral("确定")});
}

void PXCodeForm::clickCode()
{
    const qsizetype n = m_field->text().size();
    if (n == phoneLength)
        Q_EMIT phoneEntered();
    else if (n == 0)
        showAlertView(noPhoneText);
    else if (n < phoneLength)
        showAlertView(badPhoneText);
}

void PXCodeForm::clickAction()
{
    const qsizetype n = m_field->text().size();
    const qsizetype m = m_token->text().size();
    if (n == phoneLength && m == codeLength)
        Q_EMIT entriesEntered();
    else if (n == 0)
        showAlertView(noPhoneText);
    else if (n < phoneLength)
        showAlertView(badPhoneText);
    else if (m == 0)
        showAlertView(noCodeText);
    else if (m < codeLength)
        showAlertView(badCodeText);
}

void PXCodeForm::startTiming()
{
    m_code->hide();
    if (!m_clock) {
        m_clock = new QLabel(m_back);
        m_clock->setGeometry(m_code->geometry());
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(15);
        m_clock->setFont(font);
        m_clock->setAlignment(Qt::AlignCenter);
        QPalette pal = m_clock->palette();
        pal.setColor(QPalette::WindowText, PXColor::colorWithHex(0xAAAAAA));
        m_clock->setPalette(pal);
    }
    m_clock->show();
    m_time = countdownSeconds;
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(1000);
        connect(m_timer, &QTimer::timeout, this, &PXCodeForm::timing);
        m_timer->start();
    }
}

void PXCodeForm::timing()
{
    if (m_clock)
        m_clock->setText(QStringLiteral("(%1)重新获取").arg(m_time));
    if (--m_time <= 0)
        stopTiming();
}

void PXCodeForm::stopTiming()
{
    m_code->show();
    if (m_clock)
        m_clock->hide();
    m_time = 0;
    if (m_timer) {
        // This may run inside the timer's own timeout.
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
}
