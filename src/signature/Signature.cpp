#include "Signature.h"

#include <QList>
#include <sodium.h>
#include <stdexcept>

namespace tovelo {
namespace {

constexpr qsizetype kIdBytes = 8;
constexpr QByteArrayView kUntrusted = "untrusted comment: ";
constexpr QByteArrayView kTrusted = "trusted comment: ";

void ready() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
}

// The lines of a key or signature file; a line may end in CR LF.
QList<QByteArray> linesOf(QByteArrayView text) {
    QList<QByteArray> lines = text.toByteArray().split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QByteArray> base64(const QByteArray& line, qsizetype size) {
    const auto decoded =
        QByteArray::fromBase64Encoding(line, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size) return std::nullopt;
    return decoded.decoded;
}

const unsigned char* bytes(QByteArrayView data) {
    return reinterpret_cast<const unsigned char*>(data.data());
}

QByteArray blake2b512(QByteArrayView data) {
    QByteArray hash(crypto_generichash_BYTES_MAX, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(hash.data()), hash.size(), bytes(data),
                       data.size(), nullptr, 0);
    return hash;
}

bool verified(QByteArrayView signature, QByteArrayView message, const QByteArray& key) {
    return crypto_sign_verify_detached(bytes(signature), bytes(message), message.size(),
                                       bytes(key)) == 0;
}

QByteArray signed64(QByteArrayView message, const QByteArray& key) {
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         bytes(message), message.size(), bytes(key));
    return signature;
}

// The one "file:" field of a trusted comment ("file:NAME", or among tab- or space-separated
// fields as minisign writes by default); empty when there is none or more than one.
QByteArray namedFile(const QByteArray& comment) {
    QByteArray found;
    for (const QByteArray& field : comment.simplified().split(' ')) {
        if (!field.startsWith("file:")) continue;
        if (!found.isEmpty()) return {};
        found = field.mid(5);
    }
    return found;
}

} // namespace

std::optional<PublicKey> readPublicKey(QByteArrayView text) {
    QList<QByteArray> lines = linesOf(text);
    if (!lines.isEmpty() && lines.first().startsWith(kUntrusted)) lines.removeFirst();
    if (lines.size() != 1) return std::nullopt;
    const auto decoded = base64(lines.first().trimmed(), 2 + kIdBytes + crypto_sign_PUBLICKEYBYTES);
    if (!decoded || !decoded->startsWith("Ed")) return std::nullopt;
    return PublicKey{decoded->mid(2, kIdBytes), decoded->mid(2 + kIdBytes)};
}

SecretKey readSecretKey(QByteArrayView text) {
    ready();
    // Algorithm, key derivation, checksum kind, salt, two limits, then the key id, the key and
    // its checksum.
    constexpr qsizetype kAt = 2 + 2 + 2 + 32 + 8 + 8;
    const QList<QByteArray> lines = linesOf(text);
    const auto decoded =
        lines.size() == 2 && lines.first().startsWith(kUntrusted)
            ? base64(lines.last().trimmed(), kAt + kIdBytes + crypto_sign_SECRETKEYBYTES + 32)
            : std::nullopt;
    if (!decoded || !decoded->startsWith("Ed") || decoded->mid(4, 2) != "B2")
        throw std::runtime_error("not a minisign secret key");
    if (decoded->mid(2, 2) != QByteArray(2, '\0'))
        throw std::runtime_error("the secret key is protected by a password: sign with "
                                 "minisign -S, or make a key without one (minisign -G -W)");
    SecretKey key{decoded->mid(kAt, kIdBytes),
                  decoded->mid(kAt + kIdBytes, crypto_sign_SECRETKEYBYTES)};
    // Its second half is the public key its first half makes: anything else is a damaged file.
    QByteArray pk(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
    QByteArray sk(crypto_sign_SECRETKEYBYTES, Qt::Uninitialized);
    crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(pk.data()),
                             reinterpret_cast<unsigned char*>(sk.data()), bytes(key.key));
    if (sk != key.key) throw std::runtime_error("the secret key file is damaged");
    return key;
}

QByteArray signData(const SecretKey& key, QByteArrayView data, const QByteArray& trustedComment,
                    bool prehashed) {
    ready();
    const QByteArray signature =
        signed64(prehashed ? QByteArrayView(blake2b512(data)) : data, key.key);
    const QByteArray global = signed64(signature + trustedComment, key.key);
    return "untrusted comment: signature from tovelo-publish secret key\n" +
           (QByteArray(prehashed ? "ED" : "Ed") + key.id + signature).toBase64() + '\n' +
           kTrusted.toByteArray() + trustedComment + '\n' + global.toBase64() + '\n';
}

QString signatureProblem(const PublicKey& key, QByteArrayView data, QByteArrayView signature,
                         const QString& fileName) {
    ready();
    const QList<QByteArray> lines = linesOf(signature);
    const auto head = lines.size() == 4 && lines[0].startsWith(kUntrusted)
                          ? base64(lines[1], 2 + kIdBytes + crypto_sign_BYTES)
                          : std::nullopt;
    const auto global = lines.size() == 4 && lines[2].startsWith(kTrusted)
                            ? base64(lines[3], crypto_sign_BYTES)
                            : std::nullopt;
    if (!head || !global) return QStringLiteral("a assinatura está malformada");
    const QByteArray algorithm = head->left(2);
    if (algorithm != "Ed" && algorithm != "ED")
        return QStringLiteral("a assinatura usa um algoritmo desconhecido");
    if (head->mid(2, kIdBytes) != key.id)
        return QStringLiteral("a assinatura é de outra chave, não da chave do publicador");
    const QByteArray sig = head->mid(2 + kIdBytes);
    const bool prehashed = algorithm == "ED";
    if (!verified(sig, prehashed ? QByteArrayView(blake2b512(data)) : data, key.key))
        return QStringLiteral("o arquivo não confere com a assinatura");
    const QByteArray comment = lines[2].mid(kTrusted.size());
    if (!verified(*global, sig + comment, key.key))
        return QStringLiteral("o comentário confiável da assinatura foi alterado");
    if (namedFile(comment) != fileName.toUtf8())
        return QStringLiteral("a assinatura não é do arquivo %1").arg(fileName);
    return {};
}

} // namespace tovelo
