#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Puts a code on the clipboard, marked as a secret so clipboard managers
// keep it out of their history, and takes it off again when the code's
// period ends, unless something else has been copied since.
class PXCodeCopier : public QObject
{
    Q_OBJECT
public:
    static inline const QString secretHintType = QStringLiteral("x-kde-passwordManagerHint");

    explicit PXCodeCopier(QObject *parent = nullptr);

    // secondsLeft: how long the code stays valid; the clipboard is cleared then.
    void copy(const QString &code, double secondsLeft);
    // The code still to be cleared, or null.
    QString pendingCode() const { return m_code; }

private:
    void clearIfStillOurs();

    QString m_code;
    QTimer m_clearTimer;
};
