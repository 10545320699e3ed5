#pragma once

#include <QByteArray>
#include <QString>

// Ed25519 signatures and SHA-256 digests of releases, through libsodium.

namespace wormpair::updater {

inline constexpr int kPublicKeyBytes = 32;
inline constexpr int kSecretKeyBytes = 64;
inline constexpr int kSignatureBytes = 64;

struct KeyPair {
    QByteArray publicKey;  // 32 bytes
    QByteArray secretKey;  // 64 bytes (seed and public key, as libsodium keeps it)
};

KeyPair generateKeyPair();

// The public half of a secret key; empty when the key is malformed.
QByteArray publicKeyOf(const QByteArray& secretKey);

// A detached signature of message; empty when the key is malformed.
QByteArray signMessage(const QByteArray& message, const QByteArray& secretKey);

// True only for a well-formed key and a signature of exactly these bytes.
bool verifySignature(const QByteArray& message, const QByteArray& signature,
                     const QByteArray& publicKey);

// 32 raw bytes.
QByteArray sha256(const QByteArray& bytes);

// A key written as hex (blanks around it ignored); empty unless it is
// exactly bytes long.
QByteArray keyFromHex(const QString& hex, int bytes);

}  // namespace wormpair::updater
