#pragma once

#include <QPointer>
#include <QPushButton>
#include <QRectF>
#include <QString>
#include <QWidget>

class PXNavigationController;
class PXParamModel;
struct Notification;

// Base of every full screen. The screen's widget spans its whole navigation
// area, under the 44-point bar; content goes in frame(). Subclasses override
// viewDidLoad() (calling this one first) to build their contents, and the
// bar-button handlers to act on taps.
class PXBaseController : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double keyboardHeight READ keyboardHeight NOTIFY keyboardHeightChanged)
public:
    static constexpr double navigationBarHeight = 44;

    explicit PXBaseController(QWidget *parent = nullptr);
    ~PXBaseController() override;

    // Runs viewDidLoad() once: when the screen is first installed in a
    // navigation controller or first shown, whichever comes first.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return m_loaded; }

    virtual void viewDidLoad();
    virtual void viewWillAppear() { }
    virtual void viewDidAppear() { }
    virtual void viewWillDisappear() { }

    void setTitle(const QString &title);
    QString title() const { return m_title; }

    PXNavigationController *navigationController() const;

    // A 40 x 30 text button on that side of the bar, replacing any earlier
    // one. An empty title gives an invisible button that still takes taps.
    void addLeftBarButton(const QString &title);
    void addRightBarButton(const QString &title);
    QPushButton *leftBarButton() const { return m_leftBarButton; }
    QPushButton *rightBarButton() const { return m_rightBarButton; }
    virtual void clickLeftBarButton() { }
    virtual void clickRightBarButton() { }

    // A pushed screen without a left button gets a back arrow unless hidden.
    void setHidesBackButton(bool hides);
    bool hidesBackButton() const { return m_hidesBackButton; }

    // Modal alert titled "提示" with the single button "确定".
    void showAlertView(const QString &message);

    // The content area below the bar, (0, 44, width, height - 44), recomputed
    // on every read.
    QRectF frame();
    double keyboardHeight() const { return m_keyboardHeight; }
    PXParamModel *param();

Q_SIGNALS:
    void keyboardHeightChanged(double height);
    // Title or bar items changed; the navigation bar follows.
    void navigationItemChanged();

protected:
    virtual void setNavigationBar();
    virtual void registerNotification();
    void keyboardDidShow(const Notification &note);
    void keyboardDidHide(const Notification &note);
    void showEvent(QShowEvent *event) override;

private:
    friend class PXNavigationController;
    void setNavigationController(PXNavigationController *controller);
    QPushButton *replaceBarButton(QPushButton *old, const QString &title, bool left);
    void setKeyboardHeight(double height);

    QString m_title;
    QPointer<PXNavigationController> m_navigationController;
    // Shown inside the navigation bar while this screen is on top, so they
    // are not always our children; we delete them ourselves.
    QPointer<QPushButton> m_leftBarButton;
    QPointer<QPushButton> m_rightBarButton;
    QRectF m_frame;
    double m_keyboardHeight = 0;
    PXParamModel *m_param = nullptr;
    bool m_loaded = false;
    bool m_hidesBackButton = false;
};
