#include "PXMessageView.h"

#include "PXFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>

namespace {
QPointer<PXMessageView> &sharedView()
{
    static QPointer<PXMessageView> view;
    return view;
}
} // namespace

PXMessageView::PXMessageView(QWidget *host)
    : QWidget(host)
    , m_label(new QLabel(this))
{
    m_label->setFont(PXFont::fontWithSize(16));
    m_label->setAlignment(Qt::AlignCenter);
    // Messages often come from the service: markup in them is text.
    m_label->setTextFormat(Qt::PlainText);
    m_label->setStyleSheet(QStringLiteral("QLabel { color: white; border-radius: 5px; "
                                          "background-color: rgba(0, 0, 0, 204); }"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(displayMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &PXMessageView::removeMessage);
}

PXMessageView *PXMessageView::sharedWithSuperview(QWidget *host, const QString &message)
{
    // Without a screen to sit on, a shown toast would become a window of its
    // own on the desktop.
    if (!host)
        return nullptr;
    PXMessageView *view = sharedView().data();
    if (!view) {
        view = new PXMessageView(host);
        sharedView() = view;
    }
    view->attach(host);
    view->setMessage(message);
    view->raise();
    view->show();
    return view;
}

void PXMessageView::attach(QWidget *host)
{
    if (parentWidget() != host) {
        if (parentWidget())
            parentWidget()->removeEventFilter(this);
        setParent(host);
        if (host)
            host->installEventFilter(this);
    }
    setGeometry(host ? host->rect() : QRect());
}

bool PXMessageView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        followHost();
    return QWidget::eventFilter(watched, event);
}

void PXMessageView::showEvent(QShowEvent *event)
{
    // A host that was hidden when the message came may have been resized
    // since without telling anyone.
    followHost();
    QWidget::showEvent(event);
}

void PXMessageView::followHost()
{
    if (!parentWidget() || geometry() == parentWidget()->rect())
        return;
    setGeometry(parentWidget()->rect());
    layoutLabel();
}

void PXMessageView::setMessage(const QString &message)
{
    m_label->setText(message);
    layoutLabel();
    m_timer.start();
}

void PXMessageView::layoutLabel()
{
    const QFontMetricsF metrics(m_label->font());
    const QRectF measured
        = metrics.boundingRect(QRectF(0, 0, 10000, 60), Qt::TextWordWrap, m_label->text());
    const double labelWidth = measured.width() + 40;
    const double labelHeight = 60;
    const QRectF box((width() - labelWidth) / 2, (height() - labelHeight) / 2, labelWidth,
                     labelHeight);
    m_label->setGeometry(box.toRect());
}

void PXMessageView::removeMessage()
{
    m_timer.stop();
    hide();
    if (parentWidget())
        parentWidget()->removeEventFilter(this);
    setParent(nullptr);
}
