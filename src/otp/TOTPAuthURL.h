#pragma once

#include "OTPAuthURL.h"

#include <QMap>
#include <optional>

class TOTPGenerator;

// A time-based account. While it exists it listens to the process-wide
// one-second tick and turns it into a warning shortly before the end of
// each period and a new-code notification whenever the tick finds the
// corrected clock in another period than at the tick before.
class TOTPAuthURL : public OTPAuthURL
{
    Q_OBJECT
public:
    static inline const QString TOTPAuthURLTimerNotification
        = QStringLiteral("TOTPAuthURLTimerNotification");
    // The object the tick is posted with: stands for the class itself.
    static const void *classToken() { return &staticMetaObject; }

    // Null without a generator or with a null name (an empty name is fine).
    static std::unique_ptr<TOTPAuthURL>
    initWithOTPGenerator(std::shared_ptr<TOTPGenerator> generator, const QString &name);
    // "SHA1", 6 digits, 180 seconds. The first tick announces a new code.
    static std::unique_ptr<TOTPAuthURL> initWithSecret(const QByteArray &secret,
                                                       const QString &name);
    // The older "totp://<user>@<host>#<base32 secret>" form.
    static std::unique_ptr<TOTPAuthURL> initWithTOTPURL(const QString &url);
    // "period" comes from the query (180 when absent).
    static std::unique_ptr<TOTPAuthURL> initWithName(const QString &name, const QByteArray &secret,
                                                     const QString &algorithm, unsigned digits,
                                                     const QMap<QString, QString> &query);

    ~TOTPAuthURL() override;

    QUrl url() const override;
    QString otpCode() const override;
    std::shared_ptr<TOTPGenerator> totpGenerator() const { return m_totpGenerator; }

    // Runs on every tick; public so that a host can drive it directly.
    void totpTimer();

    double generationAdvanceWarning() const { return m_generationAdvanceWarning; }
    void setGenerationAdvanceWarning(double seconds) { m_generationAdvanceWarning = seconds; }
    double lastProgress() const { return m_lastProgress; }
    bool warningSent() const { return m_warningSent; }

private:
    TOTPAuthURL(std::shared_ptr<TOTPGenerator> generator, const QString &name);
    static void ensureClassTimer();
    bool isNewPeriod(double counter, double progress) const;

    std::shared_ptr<TOTPGenerator> m_totpGenerator;
    double m_generationAdvanceWarning = 5.0;
    double m_lastProgress = 0.0;
    bool m_warningSent = false;
    // The period counter of the corrected clock at the last tick.
    std::optional<double> m_announcedCounter;
};
