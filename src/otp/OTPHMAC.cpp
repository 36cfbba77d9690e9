// The one-shot and EVP interfaces re-run the key schedule or dispatch through
// the provider layer on every call, which costs several times the hashing
// itself for an 8-byte message. The plain digest contexts can be copied,
// which is what keeping a prepared key needs; they are marked deprecated in
// OpenSSL 3 but remain part of its interface.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "OTPHMAC.h"

#include <openssl/crypto.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <array>
#include <cstring>
#include <variant>

namespace {

template<typename Context, int (*Init)(Context *), int (*Update)(Context *, const void *, size_t),
         int (*Final)(unsigned char *, Context *), int BlockSize, int DigestSize>
struct PreparedKey
{
    static constexpr int digestSize = DigestSize;
    Context inner;
    Context outer;

    explicit PreparedKey(const QByteArray &key)
    {
        std::array<unsigned char, BlockSize> block {};
        if (key.size() > BlockSize) {
            Context context;
            Init(&context);
            Update(&context, key.constData(), size_t(key.size()));
            Final(block.data(), &context);
        } else if (!key.isEmpty()) {
            std::memcpy(block.data(), key.constData(), size_t(key.size()));
        }
        pad(inner, block, 0x36);
        pad(outer, block, 0x5c);
        OPENSSL_cleanse(block.data(), block.size());
    }

    ~PreparedKey()
    {
        OPENSSL_cleanse(&inner, sizeof inner);
        OPENSSL_cleanse(&outer, sizeof outer);
    }

    static void pad(Context &context, const std::array<unsigned char, BlockSize> &block,
                    unsigned char value)
    {
        std::array<unsigned char, BlockSize> padded;
        for (int i = 0; i < BlockSize; ++i)
            padded[i] = block[i] ^ value;
        Init(&context);
        Update(&context, padded.data(), padded.size());
        OPENSSL_cleanse(padded.data(), padded.size());
    }

    void sign(const unsigned char *message, size_t length, unsigned char *digest) const
    {
        std::array<unsigned char, DigestSize> innerDigest;
        Context context = inner;
        Update(&context, message, length);
        Final(innerDigest.data(), &context);
        context = outer;
        Update(&context, innerDigest.data(), innerDigest.size());
        Final(digest, &context);
    }
};

using SHA1Key
    = PreparedKey<SHA_CTX, SHA1_Init, SHA1_Update, SHA1_Final, SHA_CBLOCK, SHA_DIGEST_LENGTH>;
using SHA256Key = PreparedKey<SHA256_CTX, SHA256_Init, SHA256_Update, SHA256_Final, SHA256_CBLOCK,
                              SHA256_DIGEST_LENGTH>;
using SHA512Key = PreparedKey<SHA512_CTX, SHA512_Init, SHA512_Update, SHA512_Final, SHA512_CBLOCK,
                              SHA512_DIGEST_LENGTH>;
using MD5Key = PreparedKey<MD5_CTX, MD5_Init, MD5_Update, MD5_Final, MD5_CBLOCK, MD5_DIGEST_LENGTH>;

} // namespace

struct OTPHMAC::State
{
    template<typename Key>
    State(std::in_place_type_t<Key> type, const QByteArray &secret)
        : key(type, secret)
    { }
    std::variant<SHA1Key, SHA256Key, SHA512Key, MD5Key> key;
};

std::unique_ptr<OTPHMAC::State> OTPHMAC::makeState(Hash hash, const QByteArray &key)
{
    switch (hash) {
    case Hash::SHA1:
        return std::make_unique<State>(std::in_place_type<SHA1Key>, key);
    case Hash::SHA256:
        return std::make_unique<State>(std::in_place_type<SHA256Key>, key);
    case Hash::SHA512:
        return std::make_unique<State>(std::in_place_type<SHA512Key>, key);
    case Hash::MD5:
        break;
    }
    return std::make_unique<State>(std::in_place_type<MD5Key>, key);
}

std::optional<OTPHMAC::Hash> OTPHMAC::hashNamed(const QString &name)
{
    if (name == QLatin1String("SHA1"))
        return Hash::SHA1;
    if (name == QLatin1String("SHA256"))
        return Hash::SHA256;
    if (name == QLatin1String("SHA512"))
        return Hash::SHA512;
    if (name == QLatin1String("MD5"))
        return Hash::MD5;
    return std::nullopt;
}

int OTPHMAC::digestLength(Hash hash)
{
    switch (hash) {
    case Hash::SHA1:
        return SHA1Key::digestSize;
    case Hash::SHA256:
        return SHA256Key::digestSize;
    case Hash::SHA512:
        return SHA512Key::digestSize;
    case Hash::MD5:
        break;
    }
    return MD5Key::digestSize;
}

OTPHMAC::OTPHMAC(Hash hash, const QByteArray &key)
    : m_hash(hash)
    , m_state(makeState(hash, key))
{ }

OTPHMAC::~OTPHMAC() = default;

int OTPHMAC::sign(const unsigned char *message, std::size_t length, unsigned char *digest) const
{
    std::visit([&](const auto &key) { key.sign(message, length, digest); }, m_state->key);
    return digestLength(m_hash);
}
