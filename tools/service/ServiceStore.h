#pragma once

#include <QString>
#include <optional>

struct sqlite3;
class ServiceStatement;

// The service's state in SQLite: which device each phone is bound to (with
// the shared HMAC key), the message codes sent, and per-phone settings.
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

    ServiceStore() = default;
    ~ServiceStore();
    ServiceStore(const ServiceStore &) = delete;
    ServiceStore &operator=(const ServiceStore &) = delete;

    // ":memory:" keeps everything in memory; a file is created 0600.
    bool open(const QString &path);

    std::optional<Binding> binding(const QString &phone) const;
    bool saveBinding(const Binding &binding);
    bool setLastMerchantStep(const QString &phone, qint64 step);

    std::optional<MessageCode> messageCode(const QString &phone, const QString &purpose) const;
    // The most recently sent code of any purpose.
    std::optional<MessageCode> lastMessageCode(const QString &phone) const;
    bool saveMessageCode(const MessageCode &code);

    // 0 (show the partner login) unless set otherwise.
    int pellinCode(const QString &phone) const;
    bool setPellinCode(const QString &phone, int code);

private:
    bool createTables();
    static MessageCode messageCodeFromRow(const ServiceStatement &row);

    sqlite3 *m_db = nullptr;
};
