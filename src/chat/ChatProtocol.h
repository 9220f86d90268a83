#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tovelo {

// The chat server's address, cut from the address page: the text between the first "IP" and
// the first "Escrita Final" after it, untrimmed. A page without "IP" is read from its second
// character on. Empty optional when no end marker follows.
std::optional<QString> chatServerAddress(const QString& page);

// One arrival from the chat server, taken as exactly one message.
struct ChatMessage {
    enum class Kind { Ignored, UserList, Text };
    Kind kind = Kind::Ignored;
    QStringList names; // UserList: every field but the kind and the last
    QString nickname;  // Text: field 1
    QString text;      // Text: field 2; further fields are dropped
};

// A "text" message with fewer than three fields is malformed and ignored.
ChatMessage parseChatMessage(const QString& arrival);

// The conversation entry for one line: "-=" nickname "=-", the line, each ended by CR LF.
QString chatEntry(const QString& nickname, const QString& message);

// True when a nickname shows nothing: empty, or only blanks and control characters.
bool isBlankNickname(const QString& nickname);

// A text as the single-byte wire carries it to the others: what Windows-1252 cannot hold (an
// emoji, Greek) arrives as "?".
QString asCarried(const QString& text);

// What the client sends, as Windows-1252 bytes.
QByteArray loginMessage(const QString& nickname);
QByteArray textMessage(const QString& message);

} // namespace tovelo
