#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class PXBaseController;
class PXNavigationBar;
class QPropertyAnimation;

// A stack of screens under one navigation bar. It owns its screens; a popped
// or replaced screen is deleted later, from the event loop, so a screen may
// pop itself from its own handlers. Appearance callbacks run only while the
// navigation controller is visible; showing it makes the top screen appear.
class PXNavigationController : public QWidget
{
    Q_OBJECT
public:
    explicit PXNavigationController(PXBaseController *root, QWidget *parent = nullptr);
    ~PXNavigationController() override;

    void pushViewController(PXBaseController *controller, bool animated);
    // Null when only the root is left.
    PXBaseController *popViewControllerAnimated(bool animated);
    // Pops down to the root; returns the popped screens.
    QList<PXBaseController *> popToRootViewControllerAnimated(bool animated);
    void setViewControllers(const QList<PXBaseController *> &controllers, bool animated);

    QList<PXBaseController *> viewControllers() const { return m_stack; }
    PXBaseController *topViewController() const;
    PXNavigationBar *navigationBar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void install(PXBaseController *controller);
    void release(PXBaseController *controller);
    void forget(QObject *controller);
    void refreshBar();
    void appear(PXBaseController *controller);
    void disappear();
    void slide(PXBaseController *moving, int fromX, int toX, std::function<void()> done);
    void finishTransition();
    bool isOnScreen() const;

    PXNavigationBar *m_bar;
    QList<PXBaseController *> m_stack;
    QPointer<PXBaseController> m_appeared;
    QPointer<QPropertyAnimation> m_transition;
    std::function<void()> m_transitionDone;
};
