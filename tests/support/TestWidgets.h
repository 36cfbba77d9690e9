#pragma once

#include "PXAlertView.h"
#include "PXMessageView.h"

#include <QApplication>
#include <QLabel>

// The first visible widget of type T, if any.
template<typename T> T *shownWidget()
{
    for (QWidget *w : QApplication::allWidgets())
        if (auto *found = qobject_cast<T *>(w); found && found->isVisible())
            return found;
    return nullptr;
}

// The alert on screen, if any: alerts are cards over a window.
inline PXAlertView *openMessageBox()
{
    return shownWidget<PXAlertView>();
}

// The toast's text while it shows, else empty.
inline QString currentToast()
{
    const PXMessageView *toast = shownWidget<PXMessageView>();
    return toast && toast->isShowingMessage() ? toast->label()->text() : QString();
}
