#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;

// The app's one toast: a dark strip with the message, centred over the host,
// gone one second after the latest message. A newer message restarts the
// second, so an earlier message's timer never takes a newer message away.
class PXMessageView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int displayMilliseconds = 1000;

    // Puts the shared toast on top of host with message and returns it. It is
    // created on first use and covers its current host, following the host's
    // size: the window can be resized, and a toast sized for the first host
    // would sit off-centre or clipped on any other. If a host took it down
    // with itself, the next call makes it anew. No host: nothing is shown
    // and null is returned.
    static PXMessageView *sharedWithSuperview(QWidget *host, const QString &message);

    void setMessage(const QString &message);
    void removeMessage();

    QLabel *label() const { return m_label; }
    bool isShowingMessage() const { return m_timer.isActive(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    explicit PXMessageView(QWidget *host);
    void attach(QWidget *host);
    void followHost();
    void layoutLabel();

    QLabel *m_label;
    QTimer m_timer;
};
