#pragma once

#include <QString>
#include <optional>

struct sqlite3;
class ServiceStatement;

// The service's state: which device each phone is bound to (with the shared
// HMAC key), the message codes sent, per-phone settings and the merchant
// check's guard against guessing. SQLite by default; every statement is
// written so that PostgreSQL runs it unchanged ($n parameters, ON CONFLICT
// upserts, RETURNING), and each rule that more than one process could race on
// is a single conditional statement.
class ServiceStore
{
public:
    struct Binding
    {
        QString phone;
        QString device;
        QByteArray hmacKey;
        // The newest TOTP step the merchant check has accepted; -1 for none.
        qint64 lastMerchantStep = -1;
    };

    struct MessageCode
    {
        QString phone;
        QString purpose;
        QString code;
        QString device;
        double issuedAt = 0;
        int failedAttempts = 0;
        bool used = false;
    };

    // Wrong merchant codes in a row and the service time until which the
    // merchant check of that phone is closed.
    struct MerchantGuard
    {
        int failures = 0;
        double blockedUntil = 0;
    };

    ServiceStore() = default;
    ~ServiceStore();
    ServiceStore(const ServiceStore &) = delete;
    ServiceStore &operator=(const ServiceStore &) = delete;

    // ":memory:" keeps everything in memory. A file is created 0600 (it holds
    // every bound account's HMAC key); an existing file that is not a
    // database is refused and left as it is.
    bool open(const QString &path);

    std::optional<Binding> binding(const QString &phone) const;
    bool saveBinding(const Binding &binding);
    // Moves the phone's last accepted step to step if it is newer and the
    // binding still has hmacKey; false when another check got there first.
    bool claimMerchantStep(const QString &phone, const QByteArray &hmacKey, qint64 step);

    std::optional<MerchantGuard> merchantGuard(const QString &phone) const;
    // Counts one more wrong code; the new count, or -1 on error.
    int countWrongMerchantCode(const QString &phone);
    // Closes the check until then (never shortens a closure already set).
    bool blockMerchantChecks(const QString &phone, double until);
    bool clearMerchantGuard(const QString &phone);

    std::optional<MessageCode> messageCode(const QString &phone, const QString &purpose) const;
    // The most recently sent code of any purpose.
    std::optional<MessageCode> lastMessageCode(const QString &phone) const;
    bool saveMessageCode(const MessageCode &code);

    // 0 (show the partner login) unless set otherwise.
    int pellinCode(const QString &phone) const;
    bool setPellinCode(const QString &phone, int code);

private:
    static bool preparePrivateFile(const QString &path);
    bool createTables();
    static MessageCode messageCodeFromRow(const ServiceStatement &row);

    sqlite3 *m_db = nullptr;
};
