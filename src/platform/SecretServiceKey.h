#pragma once

#include <QByteArray>

// The keychain's master key, kept as one item in the user's Secret Service
// (the desktop keyring) and found by attributes naming this app and the
// item's purpose. Every call is synchronous and bounded by a timeout: the
// key is looked up once when the keychain is first used, and created at most
// once per user, so a hung keyring delays the start by the timeout at worst.
// Nothing here unlocks a collection or prompts the user.
class SecretServiceKey
{
public:
    enum class Result {
        Found,
        // The service runs and is unlocked, but holds no key item.
        NotFound,
        // The key item (or, when creating, the default collection) is locked.
        Locked,
        // The service answered with an error or did not answer in time.
        Failed,
        // No session bus, or no Secret Service on it.
        NoService
    };

    static constexpr int keySize = 32;

    // Reads the key into key; never creates it.
    static Result lookup(QByteArray &key);
    // Creates a random key in the default collection and reads it back, so
    // the key in use is the one the service kept.
    static Result create(QByteArray &key);
};
