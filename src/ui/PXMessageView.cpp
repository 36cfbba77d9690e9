#include "PXMessageView.h"

#include "PXFont.h"

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
    setGeometry(host ? host->rect() : QRect());
    m_label->setFont(PXFont::fontWithSize(16));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral("QLabel { color: white; border-radius: 5px; "
                                          "background-color: rgba(0, 0, 0, 204); }"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(displayMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &PXMessageView::removeMessage);
}

PXMessageView *PXMessageView::sharedWithSuperview(QWidget *host, const QString &message)
{
    PXMessageView *view = sharedView().data();
    if (!view) {
        view = new PXMessageView(host);
        sharedView() = view;
    } else if (view->parentWidget() != host) {
        view->setParent(host);
    }
    view->setMessage(message);
    view->raise();
    view->show();
    return view;
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
    setParent(nullptr);
}
