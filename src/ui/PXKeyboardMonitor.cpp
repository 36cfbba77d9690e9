#include "PXKeyboardMonitor.h"

#include "NotificationCenter.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QRectF>

PXKeyboardMonitor &PXKeyboardMonitor::shared()
{
    static PXKeyboardMonitor monitor;
    return monitor;
}

void PXKeyboardMonitor::start()
{
    if (m_started || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    m_started = true;
    QInputMethod *im = QGuiApplication::inputMethod();
    connect(im, &QInputMethod::visibleChanged, this,
            &PXKeyboardMonitor::inputMethodVisibilityChanged);
    connect(im, &QInputMethod::keyboardRectangleChanged, this,
            &PXKeyboardMonitor::inputMethodVisibilityChanged);
}

void PXKeyboardMonitor::inputMethodVisibilityChanged()
{
    QInputMethod *im = QGuiApplication::inputMethod();
    const QRectF rect = im->keyboardRectangle();
    const bool shown = im->isVisible() && !rect.isEmpty();
    if (shown) {
        m_shown = true;
        NotificationCenter::defaultCenter().postNotification(didShowNotification, this,
                                                             {{frameBeginKey, rect}});
    } else if (m_shown) {
        m_shown = false;
        NotificationCenter::defaultCenter().postNotification(didHideNotification, this, {});
    }
}
