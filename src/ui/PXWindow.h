#pragma once

#include <QPointer>
#include <QWidget>

class PXNavigationController;

// The app's one top-level window, phone-sized and resizable.
class PXWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PXWindow(QWidget *parent = nullptr);

    // Takes ownership; the previous root is deleted from the event loop, so
    // a screen of the old root may replace the root from its own handler.
    void setRootViewController(PXNavigationController *root);
    PXNavigationController *rootViewController() const;
    void makeKeyAndVisible();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<PXNavigationController> m_root;
};
