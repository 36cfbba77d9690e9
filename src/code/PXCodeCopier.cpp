#include "PXCodeCopier.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <algorithm>
#include <cmath>

PXCodeCopier::PXCodeCopier(QObject *parent)
    : QObject(parent)
{
    m_clearTimer.setSingleShot(true);
    connect(&m_clearTimer, &QTimer::timeout, this, &PXCodeCopier::clearIfStillOurs);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &PXCodeCopier::clearIfStillOurs);
}

PXCodeCopier *PXCodeCopier::shared()
{
    static QPointer<PXCodeCopier> copier;
    if (!copier && QCoreApplication::instance())
        copier = new PXCodeCopier(QCoreApplication::instance());
    return copier;
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
    m_clearTimer.stop();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!m_code.isEmpty() && clipboard->text() == m_code)
        clipboard->clear();
    m_code.clear();
}
