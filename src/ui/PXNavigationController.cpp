#include "PXNavigationController.h"

#include "PXBaseController.h"
#include "PXNavigationBar.h"
#include "UiLog.h"

#include <QHideEvent>
#include <QPropertyAnimation>
#include <QShowEvent>

namespace {
constexpr int slideMilliseconds = 250;
}

PXNavigationController::PXNavigationController(PXBaseController *root, QWidget *parent)
    : QWidget(parent)
    , m_bar(new PXNavigationBar(this))
{
    connect(m_bar, &PXNavigationBar::backClicked, this,
            [this] { popViewControllerAnimated(true); });
    if (root) {
        install(root);
        m_stack.append(root);
        root->show();
    }
    refreshBar();
}

PXNavigationController::~PXNavigationController()
{
    // Our screens die with QWidget's destructor, after this one: nothing they
    // signal may reach us any more.
    m_transitionDone = nullptr;
    if (m_transition)
        m_transition->stop();
    // That includes a screen still sliding out, no longer on the stack.
    const auto screens = findChildren<PXBaseController *>(Qt::FindDirectChildrenOnly);
    for (PXBaseController *controller : screens)
        disconnect(controller, nullptr, this, nullptr);
}

PXBaseController *PXNavigationController::topViewController() const
{
    return m_stack.isEmpty() ? nullptr : m_stack.last();
}

bool PXNavigationController::isOnScreen() const
{
    return isVisible();
}

void PXNavigationController::install(PXBaseController *controller)
{
    controller->setParent(this);
    controller->setGeometry(rect());
    controller->setNavigationController(this);
    connect(controller, &PXBaseController::navigationItemChanged, this,
            &PXNavigationController::refreshBar, Qt::UniqueConnection);
    connect(controller, &QObject::destroyed, this, &PXNavigationController::forget,
            Qt::UniqueConnection);
    controller->loadViewIfNeeded();
    m_bar->raise();
}

void PXNavigationController::release(PXBaseController *controller)
{
    disconnect(controller, nullptr, this, nullptr);
    controller->hide();
    controller->setNavigationController(nullptr);
    controller->deleteLater();
}

void PXNavigationController::forget(QObject *controller)
{
    // A screen deleted behind our back must not stay on the stack. It is
    // only a QObject by now, so compare addresses rather than cast.
    const auto removed
        = m_stack.removeIf([controller](PXBaseController *screen) { return screen == controller; });
    if (removed > 0)
        refreshBar();
}

void PXNavigationController::refreshBar()
{
    PXBaseController *top = topViewController();
    if (!top) {
        m_bar->setTitle({});
        m_bar->setItems(nullptr, nullptr, nullptr, false);
        return;
    }
    m_bar->setTitle(top->title());
    const bool back = m_stack.size() > 1 && !top->leftBarButton() && !top->hidesBackButton();
    m_bar->setItems(top, top->leftBarButton(), top->rightBarButton(), back);
}

void PXNavigationController::appear(PXBaseController *controller)
{
    if (!controller || m_appeared == controller || !isOnScreen())
        return;
    m_appeared = controller;
    controller->viewDidAppear();
}

void PXNavigationController::disappear()
{
    PXBaseController *leaving = std::exchange(m_appeared, nullptr);
    if (leaving)
        leaving->viewWillDisappear();
}

void PXNavigationController::pushViewController(PXBaseController *controller, bool animated)
{
    if (!controller || m_stack.contains(controller)) {
        qCWarning(lcUi) << "push of a null screen or one already on the stack ignored";
        return;
    }
    finishTransition();
    PXBaseController *previous = topViewController();
    install(controller);
    m_stack.append(controller);
    const bool onScreen = isOnScreen();
    if (onScreen) {
        disappear();
        controller->viewWillAppear();
    }
    controller->show();
    controller->raise();
    m_bar->raise();
    refreshBar();
    auto done = [this, previous, controller] {
        if (previous && topViewController() != previous)
            previous->hide();
        appear(controller);
    };
    if (animated && onScreen)
        slide(controller, width(), 0, done);
    else
        done();
}

PXBaseController *PXNavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    finishTransition();
    PXBaseController *popped = m_stack.takeLast();
    PXBaseController *top = m_stack.last();
    const bool onScreen = isOnScreen();
    if (onScreen) {
        disappear();
        top->viewWillAppear();
    }
    top->show();
    popped->raise();
    m_bar->raise();
    refreshBar();
    QPointer<PXBaseController> guard(popped);
    auto done = [this, guard, top] {
        if (guard)
            release(guard);
        appear(top);
    };
    if (animated && onScreen)
        slide(popped, 0, width(), done);
    else
        done();
    return popped;
}

QList<PXBaseController *> PXNavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return {};
    const QList<PXBaseController *> popped = m_stack.mid(1);
    setViewControllers({m_stack.first()}, animated);
    return popped;
}

void PXNavigationController::setViewControllers(const QList<PXBaseController *> &controllers, bool)
{
    if (controllers.isEmpty() || controllers.contains(nullptr)) {
        qCWarning(lcUi) << "a navigation stack needs screens";
        return;
    }
    finishTransition();
    PXBaseController *oldTop = topViewController();
    PXBaseController *newTop = controllers.last();
    const bool topChanges = oldTop != newTop && isOnScreen();
    if (topChanges) {
        disappear();
        newTop->viewWillAppear();
    }
    for (PXBaseController *old : std::as_const(m_stack)) {
        if (!controllers.contains(old))
            release(old);
    }
    m_stack.clear();
    for (PXBaseController *controller : controllers) {
        install(controller);
        m_stack.append(controller);
        controller->setVisible(controller == newTop);
    }
    newTop->raise();
    m_bar->raise();
    refreshBar();
    if (topChanges)
        appear(newTop);
}

void PXNavigationController::slide(PXBaseController *moving, int fromX, int toX,
                                   std::function<void()> done)
{
    auto *animation = new QPropertyAnimation(moving, "pos", this);
    animation->setDuration(slideMilliseconds);
    animation->setStartValue(QPoint(fromX, 0));
    animation->setEndValue(QPoint(toX, 0));
    animation->setEasingCurve(QEasingCurve::OutCubic);
    m_transition = animation;
    m_transitionDone = std::move(done);
    connect(animation, &QPropertyAnimation::finished, this,
            &PXNavigationController::finishTransition);
    moving->move(fromX, 0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void PXNavigationController::finishTransition()
{
    if (m_transition) {
        QPropertyAnimation *animation = m_transition;
        m_transition = nullptr;
        disconnect(animation, nullptr, this, nullptr);
        if (auto *target = qobject_cast<QWidget *>(animation->targetObject()))
            target->move(0, 0);
        animation->stop();
    }
    if (auto done = std::exchange(m_transitionDone, nullptr))
        done();
}

void PXNavigationController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_bar->setGeometry(0, 0, width(), m_bar->height());
    for (PXBaseController *controller : std::as_const(m_stack)) {
        if (controller->pos().x() == 0 || !m_transition)
            controller->setGeometry(rect());
    }
}

void PXNavigationController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    PXBaseController *top = topViewController();
    if (top && m_appeared != top) {
        top->viewWillAppear();
        appear(top);
    }
}

void PXNavigationController::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        disappear();
}
