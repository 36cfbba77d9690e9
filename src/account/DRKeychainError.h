#pragma once

#include <QString>

// The error a keychain wrapper call reports: the status it failed with, the
// wrapper's error domain and a message from the wrapper's string table.
struct DRKeychainError
{
    int code = 0;
    QString domain;
    QString message;

    static QString errorDomain();
    // The string-table key for a status ("errSecItemNotFound", ...).
    static QString keyForCode(int code);
    // The table's message for a key, or the key itself when it has none.
    static QString messageForKey(const QString &key);
};
