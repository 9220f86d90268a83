#pragma once

#include <QByteArray>
#include <QString>

namespace tovelo {

// The key every stored enciphered text (characters, studies) was written with.
inline const QString kChave = QStringLiteral("RuzavUzezovad");

// Windows-1252 is the program's single-byte character set: stored texts, update files,
// the printer and the chat wire all use it. Characters outside it become '?'.
QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);
// The code of one character in Windows-1252 (63, '?', when it has none).
int cp1252Code(QChar c);

// Keyed exclusive-or, written as two upper-case hex digits per character.
QString Cifrar(const QString& texto, const QString& chave);
// Reads two hex digits per character the way the stored data expects: lower case accepted,
// blanks, tabs and line feeds skipped, a pair without a hex digit read as 0, an odd last digit
// read alone. Every pair consumes one key digit. Never fails.
QString Decifrar(const QString& hex, const QString& chave);

} // namespace tovelo
