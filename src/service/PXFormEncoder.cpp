#include "PXFormEncoder.h"

#include <QUrl>

QByteArray PXFormEncoder::encode(const QVariantMap &params)
{
    QByteArray text;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (!text.isEmpty())
            text += '&';
        text += QUrl::toPercentEncoding(it.key());
        text += '=';
        text += QUrl::toPercentEncoding(it.value().toString());
    }
    return text;
}
