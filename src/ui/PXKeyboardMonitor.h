#pragma once

#include <QObject>
#include <QString>

// Turns the input method's virtual-keyboard changes into the app's keyboard
// notifications. The user info carries the keyboard rectangle (QRectF, in
// window coordinates) under frameBeginKey. Desktops without a virtual
// keyboard never post either notification.
class PXKeyboardMonitor : public QObject
{
    Q_OBJECT
public:
    static inline const QString didShowNotification = QStringLiteral("KeyboardDidShowNotification");
    static inline const QString didHideNotification = QStringLiteral("KeyboardDidHideNotification");
    static inline const QString frameBeginKey = QStringLiteral("KeyboardFrameBeginUserInfoKey");

    static PXKeyboardMonitor &shared();

    // Idempotent; does nothing before the GUI application exists.
    void start();

private:
    PXKeyboardMonitor() = default;
    void inputMethodVisibilityChanged();

    bool m_started = false;
    bool m_shown = false;
};
