#pragma once

#include <QMessageAuthenticationCode>
#include <QString>
#include <QtEndian>

#include <cmath>

// The account's code computed without any of our classes, as the marketplace
// does: HMAC-SHA-1 keyed by the ASCII of Base64(secret text) over the
// big-endian 180-second counter of seconds, RFC 4226 truncation, 6 digits.
inline QString independentCode(const QString &secretText, double seconds)
{
    const auto counter = qToBigEndian(quint64(std::floor(seconds / 180.0)));
    const QByteArray digest = QMessageAuthenticationCode::hash(
        QByteArray(reinterpret_cast<const char *>(&counter), sizeof counter),
        secretText.toUtf8().toBase64(), QCryptographicHash::Sha1);
    const int offset = digest.back() & 0x0f;
    const quint32 binary = qFromBigEndian<quint32>(digest.constData() + offset) & 0x7fffffffu;
    return QStringLiteral("%1").arg(binary % 1000000, 6, 10, QLatin1Char('0'));
}
