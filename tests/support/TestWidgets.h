#pragma once

#include <QApplication>
#include <QMessageBox>

// The alert currently on screen, if any: alerts are top-level message boxes.
inline QMessageBox *openMessageBox()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *w : widgets) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    }
    return nullptr;
}
