#include "PXBaseController.h"

#include "NotificationCenter.h"
#include "PXColor.h"
#include "PXFont.h"
#include "PXKeyboardMonitor.h"
#include "PXModalPresenter.h"
#include "PXNavigationBar.h"
#include "PXNavigationController.h"
#include "PXParamModel.h"

#include <QPushButton>

PXBaseController::PXBaseController(QWidget *parent)
    : QWidget(parent)
{ }

PXBaseController::~PXBaseController()
{
    delete m_leftBarButton.data();
    delete m_rightBarButton.data();
}

void PXBaseController::loadViewIfNeeded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    viewDidLoad();
}

void PXBaseController::viewDidLoad()
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, PXColor::pageBackground());
    setPalette(pal);
    setNavigationBar();
    registerNotification();
}

void PXBaseController::setNavigationBar()
{
    if (!m_navigationController)
        return;
    PXNavigationBar *bar = m_navigationController->navigationBar();
    bar->setBarTintColor(PXColor::accent());
    bar->setTitleFont(PXFont::fontWithSize(18));
    bar->setTitleColor(Qt::white);
}

void PXBaseController::registerNotification()
{
    PXKeyboardMonitor::shared().start();
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(this, PXKeyboardMonitor::didShowNotification, nullptr,
                       [this](const Notification &note) { keyboardDidShow(note); });
    center.addObserver(this, PXKeyboardMonitor::didHideNotification, nullptr,
                       [this](const Notification &note) { keyboardDidHide(note); });
}

void PXBaseController::keyboardDidShow(const Notification &note)
{
    const QRectF begin = note.userInfo.value(PXKeyboardMonitor::frameBeginKey).toRectF();
    setKeyboardHeight(begin.height());
}

void PXBaseController::keyboardDidHide(const Notification &)
{
    setKeyboardHeight(0);
}

void PXBaseController::setKeyboardHeight(double height)
{
    if (qFuzzyCompare(m_keyboardHeight + 1, height + 1))
        return;
    m_keyboardHeight = height;
    Q_EMIT keyboardHeightChanged(height);
}

void PXBaseController::showEvent(QShowEvent *event)
{
    loadViewIfNeeded();
    QWidget::showEvent(event);
}

void PXBaseController::setTitle(const QString &title)
{
    m_title = title;
    Q_EMIT navigationItemChanged();
}

void PXBaseController::setNavigationController(PXNavigationController *controller)
{
    m_navigationController = controller;
}

void PXBaseController::setHidesBackButton(bool hides)
{
    m_hidesBackButton = hides;
    Q_EMIT navigationItemChanged();
}

QPushButton *PXBaseController::replaceBarButton(QPushButton *old, const QString &title, bool left)
{
    if (old) {
        old->hide();
        old->deleteLater();
    }
    auto *button = new QPushButton(title, this);
    button->hide();
    button->setFixedSize(40, 30);
    button->setFlat(true);
    button->setFont(PXFont::fontWithSize(14));
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; "
                                         "color: white; padding: 0; }"
                                         "QPushButton:pressed { color: rgba(255,255,255,128); }"));
    if (left)
        connect(button, &QPushButton::clicked, this, [this] { clickLeftBarButton(); });
    else
        connect(button, &QPushButton::clicked, this, [this] { clickRightBarButton(); });
    return button;
}

void PXBaseController::addLeftBarButton(const QString &title)
{
    m_leftBarButton = replaceBarButton(m_leftBarButton, title, true);
    Q_EMIT navigationItemChanged();
}

void PXBaseController::addRightBarButton(const QString &title)
{
    m_rightBarButton = replaceBarButton(m_rightBarButton, title, false);
    Q_EMIT navigationItemChanged();
}

void PXBaseController::showAlertView(const QString &message)
{
    PXModalPresenter::showAlert(this, QStringLiteral("提示"), message, {QStringLiteral("确定")});
}

QRectF PXBaseController::frame()
{
    m_frame = QRectF(0, navigationBarHeight, width(), height() - navigationBarHeight);
    return m_frame;
}

PXParamModel *PXBaseController::param()
{
    if (!m_param)
        m_param = PXParamModel::sharedParamModel();
    return m_param;
}

PXNavigationController *PXBaseController::navigationController() const
{
    return m_navigationController;
}
