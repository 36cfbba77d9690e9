#include "PXWindow.h"

#include "PXColor.h"
#include "PXFont.h"
#include "PXNavigationController.h"

PXWindow::PXWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Kelvo Ostrel"));
    resize(375, 667);
    setMinimumSize(320, 480);
    setFont(PXFont::fontWithSize(14));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, PXColor::pageBackground());
    setPalette(pal);
}

void PXWindow::setRootViewController(PXNavigationController *root)
{
    if (root == m_root)
        return;
    if (m_root) {
        m_root->hide();
        m_root->deleteLater();
    }
    m_root = root;
    if (!root)
        return;
    root->setParent(this);
    root->setGeometry(rect());
    root->show();
}

void PXWindow::makeKeyAndVisible()
{
    show();
    raise();
    activateWindow();
}

void PXWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_root)
        m_root->setGeometry(rect());
}

PXNavigationController *PXWindow::rootViewController() const
{
    return m_root;
}
