#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tovelo {

// Keys and signatures in minisign's file format (Ed25519), so a publisher can make and use them
// with the ordinary `minisign` tool.

struct PublicKey {
    QByteArray id;  // 8 bytes, names the key in every signature it makes
    QByteArray key; // 32 bytes
};

// The key of a public key file (an "untrusted comment:" line, then the key in base64), or of
// the base64 line alone. Nothing when the text is not such a key.
std::optional<PublicKey> readPublicKey(QByteArrayView text);

struct SecretKey {
    QByteArray id;  // 8 bytes
    QByteArray key; // 64 bytes
};

// The key of a secret key file made without a password (`minisign -G -W`). Throws
// std::runtime_error saying why for a file protected by a password or not a secret key.
SecretKey readSecretKey(QByteArrayView text);

// The detached signature file (".minisig") of `data`, as `minisign -S -t COMMENT` writes it:
// pre-hashed with BLAKE2b-512, or over the data itself when `prehashed` is false.
QByteArray signData(const SecretKey& key, QByteArrayView data, const QByteArray& trustedComment,
                    bool prehashed = true);

// Why `signature` (the text of a ".minisig" file) does not show that `key` signed `data` as the
// file `fileName`; empty when it does. Besides the signature of the data, made by this key
// (plain "Ed" or pre-hashed "ED"), the trusted comment must carry its own valid signature and
// name the file: "file:NAME" as its only "file:" field, so a genuine file cannot be served under
// another name.
QString signatureProblem(const PublicKey& key, QByteArrayView data, QByteArrayView signature,
                         const QString& fileName);

} // namespace tovelo
