#pragma once

#include <QString>

// Digests and HMACs of text and files as lowercase hexadecimal, two digits a
// byte, and the SHA-1 and Base64 helpers. Null where no result can be made.
// Pure functions: safe from any thread.
class CXHash
{
public:
    // Of the text's UTF-8 bytes up to the first NUL byte.
    static QString md5String(const QString &string);
    static QString sha1String(const QString &string);
    static QString sha256String(const QString &string);
    static QString sha512String(const QString &string);

    // Key and message are the texts' UTF-8 bytes.
    static QString hmacMD5StringWithKey(const QString &string, const QString &key);
    static QString hmacSHA1StringWithKey(const QString &string, const QString &key);
    static QString hmacSHA256StringWithKey(const QString &string, const QString &key);
    static QString hmacSHA512StringWithKey(const QString &string, const QString &key);

    // Of the file's bytes; null when it cannot be opened or read.
    static QString fileMD5Hash(const QString &path);
    static QString fileSHA1Hash(const QString &path);
    static QString fileSHA256Hash(const QString &path);
    static QString fileSHA512Hash(const QString &path);

    // SHA-1 of the UTF-8 bytes, as hex and as standard Base64 (28 characters).
    static QString sha1(const QString &string);
    static QString sha1_base64(const QString &string);
    // The text as ASCII ("?" for anything else), standard Base64.
    static QString base64(const QString &string);

    static QString stringFromBytes(const unsigned char *bytes, qsizetype length);
};
