#include "PXBindController.h"

#include "BindLog.h"
#include "PXAuth.h"
#include "PXColor.h"
#include "PXFont.h"
#include "PXMessageView.h"
#include "PXModalPresenter.h"
#include "PXNavigationController.h"
#include "PXScreenCreators.h"
#include "PXTextField.h"
#include "UserDefaults.h"

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

const QString alertTitle = QStringLiteral("提示");
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
            .arg(PXColor::accent().name(), PXColor::colorWithHex(0xB04000).name()));
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

PXBindController::PXBindController(QWidget *parent)
    : PXBaseController(parent)
{ }

PXAuth &PXBindController::auth()
{
    if (!m_auth)
        m_auth = &PXAuth::sharedAuth();
    return *m_auth;
}

void PXBindController::setNoBack(bool noBack)
{
    m_noBack = noBack;
    if (noBack)
        setHidesBackButton(true);
}

void PXBindController::viewDidLoad()
{
    PXBaseController::viewDidLoad();
    setTitle(QStringLiteral("绑定手机号"));
    if (!m_noBack && auth().authURL())
        addLeftBarButton(QStringLiteral("返回"));
    else
        setHidesBackButton(true);
    loadingView();
    connect(this, &PXBaseController::keyboardHeightChanged, this,
            &PXBindController::keyboardHeightDidChange);
}

void PXBindController::loadingView()
{
    m_label = textLabel(QStringLiteral("一步绑定，账户更安全，效果可翻倍！"), 14,
                        PXColor::colorWithHex(0x8C493A), this);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setAutoFillBackground(true);
    QPalette banner = m_label->palette();
    banner.setColor(QPalette::Window, PXColor::colorWithHex(0xFFF5D7));
    m_label->setPalette(banner);

    m_back = new QWidget(this);
    m_back->setAutoFillBackground(true);
    QPalette panel = m_back->palette();
    panel.setColor(QPalette::Window, Qt::white);
    m_back->setPalette(panel);

    m_field = inputField(noPhoneText, 1, m_back);
    m_field->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    m_token = inputField(QStringLiteral("请输入验证码"), 2, m_back);
    m_token->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText
                                 | Qt::ImhNoAutoUppercase);
    for (PXTextField *f : {m_field, m_token}) {
        f->setChangeFilter([](PXTextField *edited, int position, int, const QString &text) {
            return shouldChangeCharacters(edited, position, text);
        });
        connect(f, &QLineEdit::returnPressed, this, [this, f] { textFieldShouldReturn(f); });
        connect(f, &PXTextField::editingChanged, this, [f] { shrinkToFit(f); });
    }
    connect(m_field, &PXTextField::editingChanged, this, &PXBindController::editingChanged);

    m_code = accentButton(QStringLiteral("获取验证码"), 16, m_back);
    connect(m_code, &QPushButton::clicked, this, &PXBindController::clickCode);

    m_hint = textLabel(QStringLiteral("亲，验证码区分大小写，可不要输错了！"), 12,
                       PXColor::colorWithHex(0x808080), this);
    m_hint->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_bind = accentButton(QStringLiteral("绑定"), 18, this);
    connect(m_bind, &QPushButton::clicked, this, &PXBindController::clickBind);

    setTabOrder(m_field, m_token);
    setTabOrder(m_token, m_code);
    setTabOrder(m_code, m_bind);
    layoutContents();
}

void PXBindController::resizeEvent(QResizeEvent *event)
{
    PXBaseController::resizeEvent(event);
    layoutContents();
}

void PXBindController::layoutContents()
{
    if (!m_back)
        return;
    const int w = width();
    const int top = int(frame().top());
    m_label->setGeometry(0, top, w, bannerHeight);
    const int panelTop = m_panelOverBanner ? top : top + bannerHeight;
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
    m_bind->setGeometry(fieldInset, panelTop + m_panelHeight + 20, w - 2 * fieldInset, 47);
    shrinkToFit(m_field);
    shrinkToFit(m_token);
}

// The panel stays under the banner while the keyboard leaves its resting
// place free, and otherwise covers the banner. Decided on the resting place,
// not on where the panel is now, so a keyboard that changes height while
// shown cannot make it jump back and forth.
void PXBindController::keyboardHeightDidChange(double height)
{
    const double restingBottom = frame().top() + bannerHeight + m_panelHeight;
    m_panelOverBanner = !(restingBottom < this->height() - height);
    m_panelHeight = raisedPanelHeight;
    layoutContents();
}

void PXBindController::clickLeftBarButton()
{
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

bool PXBindController::shouldChangeCharacters(const PXTextField *field, int position,
                                              const QString &replacement)
{
    // A removal never lengthens the text; refusing one past the limit would
    // leave an over-long paste that only the clear button could shorten.
    if (replacement.isEmpty())
        return true;
    const int limit = field->tag() == 1 ? phoneLength : codeLength;
    return position < limit;
}

void PXBindController::editingChanged()
{
    stopTiming();
}

void PXBindController::textFieldShouldReturn(PXTextField *field)
{
    endEditing();
    if (field == m_token)
        checkAuthCode();
}

void PXBindController::endEditing()
{
    if (QWidget *focused = window()->focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
}

void PXBindController::mousePressEvent(QMouseEvent *event)
{
    endEditing();
    event->accept();
}

void PXBindController::toast(const QString &message)
{
    PXMessageView::sharedWithSuperview(this, message);
}

void PXBindController::clickCode()
{
    const qsizetype n = m_field->text().size();
    if (n == phoneLength)
        verifyPhoneBindState();
    else if (n == 0)
        showAlertView(noPhoneText);
    else if (n < phoneLength)
        showAlertView(badPhoneText);
}

void PXBindController::verifyPhoneBindState()
{
    QPointer<PXBindController> self(this);
    m_code->setEnabled(false);
    PXServiceAPI::verifyPhoneBindState(
        m_field->text(), auth().getUUID(),
        [self](const PXServiceAPI::Payload &payload) {
            if (!self)
                return;
            self->m_code->setEnabled(true);
            self->phoneBindStateReplied(payload);
        },
        [self](const QString &message) {
            if (!self)
                return;
            self->m_code->setEnabled(true);
            self->toast(message);
        });
}

void PXBindController::phoneBindStateReplied(const PXServiceAPI::Payload &payload)
{
    const int code = PXServiceAPI::readCode(payload);
    const QString msg = PXServiceAPI::readMsg(payload);
    if (code == 0 || code == 1) {
        getAuthCode();
    } else if (code == 2) {
        PXModalPresenter::showAlert(this, alertTitle, msg,
                                    {QStringLiteral("取消"), QStringLiteral("确定")},
                                    [this](int index) { alertViewClickedButtonAtIndex(index); });
    } else if (code == -1) {
        toast(msg);
    } else {
        showAlertView(msg);
    }
}

void PXBindController::alertViewClickedButtonAtIndex(int index)
{
    if (index == 1)
        getAuthCode();
}

void PXBindController::getAuthCode()
{
    startTiming();
    auth().getServerTime();
    QPointer<PXBindController> self(this);
    const auto answered = [self](const QString &message) {
        if (!self)
            return;
        self->m_code->setEnabled(true);
        self->toast(message);
    };
    m_code->setEnabled(false);
    PXServiceAPI::getAuthCode(
        m_field->text(), auth().getUUID(),
        [answered](const PXServiceAPI::Payload &payload) {
            answered(PXServiceAPI::readMsg(payload));
        },
        answered);
}

void PXBindController::startTiming()
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
        connect(m_timer, &QTimer::timeout, this, &PXBindController::timing);
        m_timer->start();
    }
}

void PXBindController::timing()
{
    if (m_clock)
        m_clock->setText(QStringLiteral("(%1)重新获取").arg(m_time));
    if (--m_time <= 0)
        stopTiming();
}

void PXBindController::stopTiming()
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

void PXBindController::clickBind()
{
    const qsizetype n = m_field->text().size();
    const qsizetype m = m_token->text().size();
    if (n == phoneLength && m == codeLength)
        checkAuthCode();
    else if (n == 0)
        showAlertView(noPhoneText);
    else if (n < phoneLength)
        showAlertView(badPhoneText);
    else if (m == 0)
        showAlertView(noCodeText);
    else if (m < codeLength)
        showAlertView(badCodeText);
}

void PXBindController::checkAuthCode()
{
    const QString phone = m_field->text();
    const QString key = m_token->text();
    const QString device = auth().getUUID();
    const QString secretText = QStringLiteral("%1,%2,%3").arg(phone, key, device);
    QPointer<PXBindController> self(this);
    QPointer<PXNavigationController> navigation(navigationController());
    PXServiceAPI::checkAuthCode(
        phone, device, key,
        [self, navigation, phone, secretText](const PXServiceAPI::Payload &payload) {
            authCodeChecked(self, navigation, phone, secretText, payload);
        },
        [self](const QString &message) {
            if (self)
                self->toast(message);
        });
}

// Static, because the answer must be applied even when the screen has gone
// meanwhile (popped by the user): the service has bound this device with the
// secret of this check, so the app must hold the same one.
void PXBindController::authCodeChecked(const QPointer<PXBindController> &screen,
                                       const QPointer<PXNavigationController> &navigation,
                                       const QString &phone, const QString &secretText,
                                       const PXServiceAPI::Payload &payload)
{
    const QString msg = PXServiceAPI::readMsg(payload);
    if (PXServiceAPI::readCode(payload) != 0) {
        if (screen)
            screen->toast(msg);
        return;
    }
    if (!PXAuth::sharedAuth().setAuthURL(secretText, phone))
        qCWarning(lcBind) << "the bound account could not be stored; it holds for this run only";
    // Stored before the code screen exists, which reads it as it loads.
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(phone, PXAuth::phoneNumberKey);
    defaults.synchronize();
    if (!navigation) {
        if (screen)
            screen->toast(msg);
        return;
    }
    PXBaseController *codeScreen = PXScreenCreators::create(PXScreenCreators::Screen::Code);
    navigation->setViewControllers({codeScreen}, true);
    PXMessageView::sharedWithSuperview(codeScreen, msg);
}
