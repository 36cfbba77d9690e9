#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <memory>
#include <optional>

// HMAC (RFC 2104) with a fixed key. The key is folded into the inner and
// outer hash states once, so each signature costs only the two compression
// rounds of the message itself.
class OTPHMAC
{
public:
    enum class Hash { SHA1, SHA256, SHA512, MD5 };
    static constexpr int maxDigestLength = 64;

    // Exact, case-sensitive match of "SHA1", "SHA256", "SHA512", "MD5".
    static std::optional<Hash> hashNamed(const QString &name);
    static int digestLength(Hash hash);

    OTPHMAC(Hash hash, const QByteArray &key);
    ~OTPHMAC();
    OTPHMAC(const OTPHMAC &) = delete;
    OTPHMAC &operator=(const OTPHMAC &) = delete;

    Hash hash() const { return m_hash; }
    // Writes digestLength(hash()) bytes to digest and returns that count.
    int sign(const unsigned char *message, std::size_t length, unsigned char *digest) const;

private:
    struct State;
    static std::unique_ptr<State> makeState(Hash hash, const QByteArray &key);

    Hash m_hash;
    std::unique_ptr<State> m_state;
};
