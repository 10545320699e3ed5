#include "updater/release_signature.h"

#include <sodium.h>

#include <stdexcept>

namespace wormpair::updater {

static_assert(kPublicKeyBytes == crypto_sign_PUBLICKEYBYTES);
static_assert(kSecretKeyBytes == crypto_sign_SECRETKEYBYTES);
static_assert(kSignatureBytes == crypto_sign_BYTES);

namespace {

void initialise() {
    // idempotent and thread-safe; fails only without a usable random source
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
}

const unsigned char* bytesOf(const QByteArray& data) {
    return reinterpret_cast<const unsigned char*>(data.constData());
}

unsigned char* bytesOf(QByteArray& data) { return reinterpret_cast<unsigned char*>(data.data()); }

}  // namespace

KeyPair generateKeyPair() {
    initialise();
    KeyPair pair{QByteArray(crypto_sign_PUBLICKEYBYTES, '\0'),
                 QByteArray(crypto_sign_SECRETKEYBYTES, '\0')};
    crypto_sign_keypair(bytesOf(pair.publicKey), bytesOf(pair.secretKey));
    return pair;
}

QByteArray publicKeyOf(const QByteArray& secretKey) {
    initialise();
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES) return {};
    QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, '\0');
    crypto_sign_ed25519_sk_to_pk(bytesOf(publicKey), bytesOf(secretKey));
    return publicKey;
}

QByteArray signMessage(const QByteArray& message, const QByteArray& secretKey) {
    initialise();
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES) return {};
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(bytesOf(signature), nullptr, bytesOf(message),
                         static_cast<unsigned long long>(message.size()), bytesOf(secretKey));
    return signature;
}

bool verifySignature(const QByteArray& message, const QByteArray& signature,
                     const QByteArray& publicKey) {
    initialise();
    if (signature.size() != crypto_sign_BYTES || publicKey.size() != crypto_sign_PUBLICKEYBYTES) {
        return false;
    }
    return crypto_sign_verify_detached(bytesOf(signature), bytesOf(message),
                                       static_cast<unsigned long long>(message.size()),
                                       bytesOf(publicKey)) == 0;
}

QByteArray sha256(const QByteArray& bytes) {
    initialise();
    QByteArray digest(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256(bytesOf(digest), bytesOf(bytes),
                       static_cast<unsigned long long>(bytes.size()));
    return digest;
}

QByteArray keyFromHex(const QString& hex, int bytes) {
    const QString text = hex.trimmed();
    if (text.size() != 2 * bytes) return {};
    for (const QChar c : text) {
        if (!c.isDigit() && !QString("abcdefABCDEF").contains(c)) return {};
    }
    return QByteArray::fromHex(text.toLatin1());
}

}  // namespace wormpair::updater
