#include "PXCodeCopier.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cmath>

PXCodeCopier::PXCodeCopier(QObject *parent)
    : QObject(parent)
{
    m_clearTimer.setSingleShot(true);
    connect(&m_clearTimer, &QTimer::timeout, this, &PXCodeCopier::clearIfStillOurs);
}

void PXCodeCopier::copy(const QString &code, double secondsLeft)
{
    if (code.isEmpty())
        return;
    auto *data = new QMimeData;
    data->setText(code);
    data->setData(secretHintType, QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
    m_code = code;
    // A period is at most 300 seconds, so this fits an int.
    m_clearTimer.start(int(std::ceil(std::max(secondsLeft, 0.0) * 1000.0)));
}

void PXCodeCopier::clearIfStillOurs()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->text() == m_code)
        clipboard->clear();
    m_code.clear();
}
