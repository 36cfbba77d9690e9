#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Puts a code on the clipboard, marked as a secret so clipboard managers
// keep it out of their history, and takes it off again when the code's
// period ends, unless something else has been copied since. One copier
// serves the whole process: the code row that asked for the copy is rebuilt
// with every table reload, and the pending clear must outlive it. When the
// app quits with our code still on the clipboard, it is taken off then, as a
// clipboard manager would otherwise keep it after we are gone.
class PXCodeCopier : public QObject
{
    Q_OBJECT
public:
    static inline const QString secretHintType = QStringLiteral("x-kde-passwordManagerHint");

    // Owned by the application object; null before there is one.
    static PXCodeCopier *shared();

    // secondsLeft: how long the code stays valid; the clipboard is cleared then.
    void copy(const QString &code, double secondsLeft);
    // The code still to be cleared, or null.
    QString pendingCode() const { return m_code; }

private:
    explicit PXCodeCopier(QObject *parent);
    void clearIfStillOurs();

    QString m_code;
    QTimer m_clearTimer;
};
