#include "Cipher.h"

#include <array>

namespace tovelo {
namespace {

// Unicode of the bytes 0x80-0x9F in Windows-1252; the five unassigned bytes map to the C1
// control of the same value so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QByteArray keyDigits(const QString& chave) {
    QByteArray digits;
    for (QChar c : chave)
        digits += QByteArray::number(cp1252Code(c));
    return digits;
}

int hexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

int cp1252Code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < int(kHigh.size()); ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return '?';
}

QByteArray toCp1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(char(cp1252Code(c)));
    return out;
}

QString fromCp1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto v = static_cast<unsigned char>(b);
        out.append(v >= 0x80 && v <= 0x9F ? QChar(kHigh[v - 0x80]) : QChar(char16_t(v)));
    }
    return out;
}

QString Cifrar(const QString& texto, const QString& chave) {
    const QByteArray digits = keyDigits(chave);
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(texto.size() * 2);
    qsizetype pos = 0;
    for (QChar c : texto) {
        int d = 0;
        if (!digits.isEmpty()) {
            d = static_cast<unsigned char>(digits[pos]);
            pos = (pos + 1) % digits.size();
        }
        const int v = cp1252Code(c) ^ d;
        out.append(QChar(hex[v >> 4]));
        out.append(QChar(hex[v & 15]));
    }
    return out;
}

QString Decifrar(const QString& hex, const QString& chave) {
    const QByteArray digits = keyDigits(chave);
    QByteArray plain;
    plain.reserve(hex.size() / 2 + 1);
    qsizetype pos = 0;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        int d = 0;
        if (!digits.isEmpty()) {
            d = static_cast<unsigned char>(digits[pos]);
            pos = (pos + 1) % digits.size();
        }
        int v = 0;
        for (qsizetype j = i; j < i + 2 && j < hex.size(); ++j) {
            const char16_t c = hex[j].unicode();
            if (c == ' ' || c == '\t' || c == '\n') continue;
            const int h = hexValue(c);
            if (h < 0) break;
            v = v * 16 + h;
        }
        plain.append(char(v ^ d));
    }
    return fromCp1252(plain);
}

} // namespace tovelo
